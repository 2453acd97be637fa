#include "Database.h"

#include "EngineError.h"
#include "JetLike.h"
#include "Result.h"
#include "Statement.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <sqlite3.h>

namespace {

// Long enough for a second running copy of the program to finish its edit.
constexpr int kBusyTimeoutMs = 5000;

QStringView textOf(sqlite3_value* value)
{
    const auto* data = static_cast<const char16_t*>(sqlite3_value_text16(value));
    const int bytes = sqlite3_value_bytes16(value);
    return data ? QStringView(data, bytes / 2) : QStringView();
}

void likeFunction(sqlite3_context* context, int, sqlite3_value** argv) noexcept
{
    // like(pattern, text) is what "text LIKE pattern" calls.
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return sqlite3_result_null(context);
    // A statement compares many rows with one pattern: compile it once per statement.
    if (const auto* cached = static_cast<const LikePattern*>(sqlite3_get_auxdata(context, 0)))
        return sqlite3_result_int(context, cached->matches(textOf(argv[1])) ? 1 : 0);
    auto compiled = LikePattern::compile(textOf(argv[0]));
    if (!compiled)
        return sqlite3_result_error(context, "malformed LIKE pattern", -1);
    auto* pattern = new LikePattern(std::move(*compiled));
    sqlite3_result_int(context, pattern->matches(textOf(argv[1])) ? 1 : 0);
    // SQLite may free it before this call returns, so it is handed over last.
    sqlite3_set_auxdata(context, 0, pattern, [](void* p) { delete static_cast<LikePattern*>(p); });
}

OpenFailure failureOf(sqlite3* db, int rc)
{
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return OpenFailure::Damaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return OpenFailure::Busy;
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
    case SQLITE_PERM:
        return OpenFailure::Unopenable;
    default:
        break;
    }
    // A file without the phrase book's tables is a database, but not ours.
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
    if (message.startsWith(QLatin1String("no such table")) ||
        message.startsWith(QLatin1String("no such column")))
        return OpenFailure::Damaged;
    return OpenFailure::Refused;
}

[[noreturn]] void failOpen(sqlite3* db, int rc)
{
    throw OpenError(failureOf(db, rc), sqlite3_errmsg(db));
}

// A statement prepared while a result or table opens: its refusal is a failure to open.
Statement prepareForOpen(sqlite3* db, const QString& text)
{
    try {
        return Statement(db, text);
    } catch (const EngineError& error) {
        throw OpenError(failureOf(db, sqlite3_extended_errcode(db)), error.what());
    }
}

} // namespace

Database::Database(const QString& path)
{
    if (!QFileInfo::exists(path))
        throw OpenError(OpenFailure::Missing, "no file at " + path.toStdString());
    // A constructor that throws runs no destructor, so the connection is closed here.
    auto closeOnFailure = qScopeGuard([this] { sqlite3_close(m_db); });
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        throw OpenError(OpenFailure::Unopenable, sqlite3_errmsg(m_db));
    if (const int rc = sqlite3_extended_result_codes(m_db, 1); rc != SQLITE_OK)
        failOpen(m_db, rc);
    if (const int rc = sqlite3_busy_timeout(m_db, kBusyTimeoutMs); rc != SQLITE_OK)
        failOpen(m_db, rc);
    // Every commit is synced, the rollback journal before the file, so neither the program
    // being killed nor power loss can damage the file. Deleting the journal is the commit, so
    // the folder is synced after it too: else power loss could bring the journal back and
    // undo an edit that had returned. The rollback journal exists only during a commit; a
    // file that another tool left in WAL mode is switched back, so no -wal or -shm file is
    // left next to it. Without them no edit could promise to last, so the file isn't used.
    if (const int rc = sqlite3_exec(m_db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=EXTRA",
                                    nullptr, nullptr, nullptr);
        rc != SQLITE_OK)
        failOpen(m_db, rc);
    if (sqlite3_create_function_v2(m_db, "like", 2, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr,
                                   likeFunction, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw OpenError(OpenFailure::Unopenable, sqlite3_errmsg(m_db));
    closeOnFailure.dismiss();
}

Database::~Database()
{
    sqlite3_close(m_db);
}

Result Database::openResult(const QString& select)
{
    // The result must know each row's rowid to write back to it, so the statement is run
    // with rowid as an extra first column; the statement's own columns follow unchanged.
    static const QLatin1String kSelect("SELECT ");
    if (!select.startsWith(kSelect, Qt::CaseInsensitive))
        throw OpenError(OpenFailure::Refused, "not a SELECT");
    const Statement statement =
        prepareForOpen(m_db, kSelect + QLatin1String("rowid,") + select.mid(kSelect.size()));
    sqlite3_stmt* stmt = statement.handle();
    const char* table = sqlite3_column_table_name(stmt, 0);
    if (!table)
        throw OpenError(OpenFailure::Refused, "result is not updatable");
    const int columns = sqlite3_column_count(stmt) - 1;
    Result result(m_db, QString::fromUtf8(table), columns);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        result.appendRow(stmt);
    if (rc != SQLITE_DONE)
        failOpen(m_db, rc);
    return result;
}

Result Database::openTable(const QString& table)
{
    // Checking the table exists now keeps a wrong file from failing only on saving.
    prepareForOpen(m_db, QStringLiteral("SELECT 1 FROM \"%1\" LIMIT 0").arg(table));
    return Result(m_db, table, 0);
}
