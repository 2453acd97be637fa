#pragma once

struct sqlite3;

// Makes the statements until commit() one transaction, taking the write lock at once; without
// the commit, none of them happened. The commit is synced like every other.
class Transaction {
public:
    explicit Transaction(sqlite3* db); // throws EngineError
    // Rolls back what was not committed.
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit(); // throws EngineError

private:
    sqlite3* m_db;
    bool m_open = true;
};
