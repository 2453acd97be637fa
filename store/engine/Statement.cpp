#include "Statement.h"

#include "EngineError.h"
#include "EngineText.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3* db)
{
    throw EngineError(sqlite3_errmsg(db));
}

} // namespace

void executeScript(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(db);
}

Statement::Statement(sqlite3* db, const QString& statement)
    : m_db(db)
{
    const QString text = engineText(statement);
    const void* tail = nullptr;
    if (sqlite3_prepare16_v2(db, text.utf16(), static_cast<int>(text.size() * 2), &m_stmt, &tail) !=
        SQLITE_OK)
        fail(db);
    // What follows the first statement would be silently ignored: only one is taken.
    const auto parsed = static_cast<const ushort*>(tail) - text.utf16();
    if (!m_stmt || !QStringView(text).mid(parsed).trimmed().isEmpty()) {
        // No destructor runs for a constructor that throws; a statement left unfinalized
        // would keep its connection, and the file, open.
        sqlite3_finalize(m_stmt);
        throw EngineError("not one statement");
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, const QString& text)
{
    // As UTF-8: SQLite takes a UTF-16 value that starts with U+FEFF or U+FFFE for a byte order
    // mark, drops it and, for U+FFFE, reads the rest byte-swapped.
    const QByteArray value = engineText(text).toUtf8();
    if (sqlite3_bind_text(m_stmt, index, value.constData(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        fail(m_db);
}

void Statement::bind(int index, long long value)
{
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        fail(m_db);
}

void Statement::bind(int index, double value)
{
    if (sqlite3_bind_double(m_stmt, index, value) != SQLITE_OK)
        fail(m_db);
}

bool Statement::next()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    sqlite3_reset(m_stmt);
    if (rc != SQLITE_DONE)
        fail(m_db);
    return false;
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

QString Statement::text(int i) const
{
    QString value;
    appendText(i, value);
    return value;
}

void Statement::appendText(int i, QString& text) const
{
    appendFromEngine(text, sqlite3_column_text(m_stmt, i), sqlite3_column_bytes(m_stmt, i));
}

long long Statement::integer(int i) const
{
    return sqlite3_column_int64(m_stmt, i);
}

double Statement::real(int i) const
{
    return sqlite3_column_double(m_stmt, i);
}

bool Statement::isNull(int i) const
{
    return sqlite3_column_type(m_stmt, i) == SQLITE_NULL;
}

QByteArrayView Statement::utf8(int i) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
    return QByteArrayView(text, sqlite3_column_bytes(m_stmt, i));
}

void Statement::execute()
{
    const int rc = sqlite3_step(m_stmt);
    sqlite3_reset(m_stmt);
    if (rc != SQLITE_DONE)
        fail(m_db);
}
