#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
class Statement;
class Transaction;

// The rows of a query as an updatable result, or a table opened for appending. Rows are read
// in full when the result opens, their texts one after another in a single buffer; each row
// remembers its rowid, so edits and deletions write back to exactly that row. Every failure
// throws EngineError.
class Result {
public:
    Result(Result&&) noexcept;
    // Rolls back a transaction that was begun and not committed.
    ~Result();

    // Number of rows; 0 exactly when the result is empty.
    qsizetype recordCount() const { return static_cast<qsizetype>(m_rowids.size()); }
    void moveFirst() { m_row = 0; }
    void moveNext();

    // Column i of the current row, in the order of the SELECT list; empty for Null.
    std::optional<QString> field(int i) const;
    // The same without a copy, valid as long as the result.
    std::optional<QStringView> fieldView(int i) const;

    void addNew();
    void edit();
    void setField(const QString& column, const QString& value);
    // Saves the new or edited row; a duplicate key or a refused value throws.
    void update();
    void deleteCurrent();

    // Makes the edits until commit() one transaction, so that a failure part-way leaves none
    // of them: the file holds either all of them or none, whenever the power goes.
    void beginTransaction();
    void commit();

private:
    friend class Database;
    Result(sqlite3* db, QString table, int columns);

    void requireCurrentRow() const;
    void requireSameFile() const;
    void appendRow(sqlite3_stmt* stmt);

    sqlite3* m_db;
    QString m_table;
    int m_columns;
    std::vector<long long> m_rowids;
    // Every cell's place in m_text, row-major, m_columns per row; Null has no place.
    struct Cell {
        qsizetype at = 0, size = -1;
    };
    std::vector<Cell> m_cells;
    QString m_text;
    std::vector<bool> m_deleted;
    qsizetype m_row = 0;

    enum class Pending { None, Adding, Editing } m_pending = Pending::None;
    std::vector<std::pair<QString, QString>> m_values;

    // A walk deletes row after row, so the deletion is prepared once per result.
    std::unique_ptr<Statement> m_delete;
    std::unique_ptr<Transaction> m_transaction;
};
