#include "Transaction.h"

#include "Statement.h"

#include <sqlite3.h>

Transaction::Transaction(sqlite3* db)
    : m_db(db)
{
    executeScript(m_db, "BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    // The engine may have rolled back already, on a full disk or an I/O error.
    if (m_open && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    executeScript(m_db, "COMMIT");
    m_open = false;
}
