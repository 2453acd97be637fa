#pragma once

#include <QString>

struct sqlite3;

class Result;

// One connection to the phrase book file, held for one operation. Opening never creates a
// file, and every connection speaks the statement dialect the program's statements rely on.
class Database {
public:
    explicit Database(const QString& path); // throws OpenError
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // An updatable result over the rows of one SELECT on one table.
    Result openResult(const QString& select); // throws OpenError
    // A table opened for appending rows.
    Result openTable(const QString& table); // throws OpenError

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};
