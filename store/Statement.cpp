#include "Statement.h"

#include "EngineError.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3* db)
{
    throw EngineError(sqlite3_errmsg(db));
}

} // namespace

Statement::Statement(sqlite3* db, const QString& text)
    : m_db(db)
{
    if (sqlite3_prepare16_v2(db, text.utf16(), static_cast<int>(text.size() * 2), &m_stmt,
                             nullptr) != SQLITE_OK)
        fail(db);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, const QString& value)
{
    if (sqlite3_bind_text16(m_stmt, index, value.utf16(), static_cast<int>(value.size() * 2),
                            SQLITE_TRANSIENT) != SQLITE_OK)
        fail(m_db);
}

void Statement::bind(int index, long long value)
{
    if (sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        fail(m_db);
}

void Statement::execute()
{
    const int rc = sqlite3_step(m_stmt);
    sqlite3_reset(m_stmt);
    if (rc != SQLITE_DONE)
        fail(m_db);
}
