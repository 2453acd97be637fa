#pragma once

#include "Database.h"
#include "EngineError.h"
#include "Result.h"

#include <QString>

#include <functional>
#include <limits>
#include <optional>
#include <type_traits>

class QLineEdit;

// The lookups count rows in 16 bits: a larger result is refused before its first row.
constexpr qsizetype kLookupRowLimit = std::numeric_limits<qint16>::max();
constexpr qsizetype kDeleteRowLimit = std::numeric_limits<qint32>::max();

QString openFailureText(OpenFailure failure);
// Writes a failure's text into the status line, when there is one.
void reportFailure(QLineEdit* status, const QString& text);

// What an operation's rows come from: the result of a statement, or a table to append to.
inline auto query(QString statement)
{
    return [statement = std::move(statement)](Database& db) { return db.openResult(statement); };
}
inline auto appendTo(QString table)
{
    return [table = std::move(table)](Database& db) { return db.openTable(table); };
}

// What the work of a frame produced: its value, or nothing after a failure; for work that
// produces nothing, whether it ran to its end.
template <typename T> using Framed = std::conditional_t<std::is_void_v<T>, bool, std::optional<T>>;

// Every store and option operation runs in this frame: open the file, open its rows, do its
// work. The rows and the file are closed before the call returns, whatever happened. A failure
// while opening writes the fixed text of its kind into the status line; a failure during the
// work writes the operation's error text. Without a status line, failures go unreported.
template <typename Open, typename Work>
auto runFrame(QLineEdit* status, const QString& path, const QString& errorText, Open&& open,
              Work&& work) -> Framed<std::invoke_result_t<Work&, Result&>>
{
    using Produced = std::invoke_result_t<Work&, Result&>;
    try {
        Database database(path);
        Result rows = open(database);
        try {
            if constexpr (std::is_void_v<Produced>) {
                work(rows);
                return true;
            } else {
                return work(rows);
            }
        } catch (const EngineError&) {
            reportFailure(status, errorText);
        }
    } catch (const OpenError& error) {
        reportFailure(status, openFailureText(error.failure()));
    }
    return {};
}

// Visits every row of a non-empty result in order. The count is checked against limit first,
// then beforeFirst runs, then visit on each row.
void walkRows(Result& result, qsizetype limit, const std::function<void()>& beforeFirst,
              const std::function<void(Result&)>& visit);

// Column i of the current row; an absent value is a failure of the operation.
QString requireText(const Result& result, int column);
// The same without a copy, valid as long as the result.
QStringView requireView(const Result& result, int column);

// Values are shown without their leading spaces. Only U+0020 counts: an ideographic space
// at the start of a Japanese text is the user's own layout, and the blank stored for an
// empty English sentence is an ASCII one.
QString withoutLeadingSpaces(const QString& text);
