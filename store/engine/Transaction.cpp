#include "Transaction.h"

#include "EngineError.h"

#include <sqlite3.h>

namespace {

void run(sqlite3* db, const char* statement)
{
    if (sqlite3_exec(db, statement, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw EngineError(sqlite3_errmsg(db));
}

} // namespace

Transaction::Transaction(sqlite3* db)
    : m_db(db)
{
    run(m_db, "BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    // The engine may have rolled back already, on a full disk or an I/O error.
    if (m_open && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    run(m_db, "COMMIT");
    m_open = false;
}
