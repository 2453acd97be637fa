#include "Result.h"

#include "EngineError.h"
#include "EngineText.h"
#include "Statement.h"
#include "Transaction.h"

#include <QStringList>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

QString quoted(const QString& name)
{
    return u"\"%1\""_s.arg(QString(name).replace(u'"', u"\"\""_s));
}

} // namespace

Result::Result(sqlite3* db, QString table, int columns)
    : m_db(db)
    , m_table(std::move(table))
    , m_columns(columns)
{
}

Result::Result(Result&&) noexcept = default;

Result::~Result() = default;

void Result::moveNext()
{
    if (m_row >= recordCount())
        throw EngineError("no current row");
    ++m_row;
}

void Result::requireSameFile() const
{
    // A file deleted or replaced since it was opened is no longer the phrase book: a row
    // saved into it would be lost.
    int moved = 0;
    if (sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK || moved)
        throw EngineError("the file has been moved or deleted");
}

void Result::requireCurrentRow() const
{
    if (m_row < 0 || m_row >= recordCount() || m_deleted[static_cast<std::size_t>(m_row)])
        throw EngineError("no current row");
}

void Result::appendRow(sqlite3_stmt* stmt)
{
    // Column 0 is the rowid; the statement's own columns follow.
    m_rowids.push_back(sqlite3_column_int64(stmt, 0));
    for (int i = 1; i <= m_columns; ++i) {
        Cell cell;
        if (sqlite3_column_type(stmt, i) != SQLITE_NULL) {
            cell.at = m_text.size();
            appendFromEngine(m_text, sqlite3_column_text(stmt, i), sqlite3_column_bytes(stmt, i));
            cell.size = m_text.size() - cell.at;
        }
        m_cells.push_back(cell);
    }
    m_deleted.push_back(false);
}

std::optional<QStringView> Result::fieldView(int i) const
{
    requireCurrentRow();
    if (i < 0 || i >= m_columns)
        throw EngineError("no such column");
    const Cell cell = m_cells[static_cast<std::size_t>(m_row * m_columns + i)];
    if (cell.size < 0)
        return std::nullopt;
    return QStringView(m_text).sliced(cell.at, cell.size);
}

std::optional<QString> Result::field(int i) const
{
    const auto view = fieldView(i);
    return view ? std::optional(view->toString()) : std::nullopt;
}

void Result::addNew()
{
    m_pending = Pending::Adding;
    m_values.clear();
}

void Result::edit()
{
    requireCurrentRow();
    m_pending = Pending::Editing;
    m_values.clear();
}

void Result::setField(const QString& column, const QString& value)
{
    if (m_pending == Pending::None)
        throw EngineError("no row being added or edited");
    m_values.emplace_back(column, value);
}

void Result::update()
{
    if (m_pending == Pending::None)
        throw EngineError("no row being added or edited");
    QString sql;
    if (m_pending == Pending::Adding) {
        QStringList names, marks;
        for (const auto& [column, value] : m_values) {
            names << quoted(column);
            marks << u"?"_s;
        }
        sql = names.isEmpty() ? u"INSERT INTO %1 DEFAULT VALUES"_s.arg(quoted(m_table))
                              : u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(
                                    quoted(m_table), names.join(u','), marks.join(u','));
    } else {
        requireCurrentRow();
        if (m_values.empty()) {
            m_pending = Pending::None;
            return;
        }
        QStringList assignments;
        for (const auto& [column, value] : m_values)
            assignments << quoted(column) + u"=?"_s;
        sql = u"UPDATE %1 SET %2 WHERE rowid=?"_s.arg(quoted(m_table), assignments.join(u','));
    }
    // The pending row is gone whether it was saved or refused.
    const auto values = std::exchange(m_values, {});
    const Pending pending = std::exchange(m_pending, Pending::None);

    requireSameFile();
    Statement statement(m_db, sql);
    int index = 1;
    for (const auto& [column, value] : values)
        statement.bind(index++, value);
    if (pending == Pending::Editing)
        statement.bind(index, m_rowids[static_cast<std::size_t>(m_row)]);
    statement.execute();
    // Another program may have deleted the row since it was read: nothing was saved.
    if (pending == Pending::Editing && sqlite3_changes(m_db) == 0)
        throw EngineError("the row is gone");
}

void Result::deleteCurrent()
{
    requireCurrentRow();
    requireSameFile();
    if (!m_delete)
        m_delete.reset(new Statement(m_db, u"DELETE FROM %1 WHERE rowid=?"_s.arg(quoted(m_table))));
    m_delete->bind(1, m_rowids[static_cast<std::size_t>(m_row)]);
    m_delete->execute();
    m_deleted[static_cast<std::size_t>(m_row)] = true;
}

void Result::beginTransaction()
{
    // Immediate, so that waiting for another program happens here, within the busy timeout,
    // rather than failing at the first deletion.
    m_transaction = std::make_unique<Transaction>(m_db);
}

void Result::commit()
{
    if (!m_transaction)
        throw EngineError("no transaction");
    m_transaction->commit();
    m_transaction.reset();
}
