#pragma once

#include <QByteArrayView>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// Runs statements that return no rows, one after another, as a script; throws EngineError.
void executeScript(sqlite3* db, const char* sql);

// One prepared statement, finalized when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* db, const QString& text); // throws EngineError
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const QString& value);
    void bind(int index, long long value);
    void bind(int index, double value);
    // Runs a statement that returns no rows.
    void execute(); // throws EngineError
    // Moves to the next row of the statement's rows: false after the last, when the statement
    // is reset for another run.
    bool next(); // throws EngineError
    // Ends a run before its last row, so that the statement can be bound and run again.
    void reset();
    // Column i of the current row.
    QString text(int i) const;
    void appendText(int i, QString& text) const;
    long long integer(int i) const;
    double real(int i) const;
    bool isNull(int i) const;
    // The UTF-8 of a text, valid until the next row.
    QByteArrayView utf8(int i) const;

    sqlite3_stmt* handle() const { return m_stmt; }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};
