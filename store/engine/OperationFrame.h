#pragma once

#include "Database.h"
#include "EngineError.h"
#include "Result.h"

#include <QString>

#include <limits>
#include <optional>
#include <type_traits>

// The lookups count rows in 16 bits: a larger result is refused before its first row.
constexpr qsizetype kLookupRowLimit = std::numeric_limits<qint16>::max();
constexpr qsizetype kDeleteRowLimit = std::numeric_limits<qint32>::max();

// What an operation's rows come from: the result of a statement, or a table to append to.
inline auto query(QString statement)
{
    return [statement = std::move(statement)](Database& db) { return db.openResult(statement); };
}
inline auto appendTo(QString table)
{
    return [table = std::move(table)](Database& db) { return db.openTable(table); };
}

// Why a frame failed: the kind of failure while opening, or nothing when its work failed.
using FrameFailure = std::optional<OpenFailure>;

// What the work of a frame produced: its value, or nothing after a failure; for work that
// produces nothing, whether it ran to its end.
template <typename T> using Framed = std::conditional_t<std::is_void_v<T>, bool, std::optional<T>>;

// Every store and option operation runs in this frame: open the file, do the work on it. The
// file is closed before the call returns, whatever happened. A failure is handed to report,
// which tells the user or, for reads with a fallback, no one.
template <typename Work, typename Report>
auto runOnDatabase(const QString& path, Work&& work, Report&& report)
    -> Framed<std::invoke_result_t<Work&, Database&>>
{
    using Produced = std::invoke_result_t<Work&, Database&>;
    try {
        Database database(path);
        if constexpr (std::is_void_v<Produced>) {
            work(database);
            return true;
        } else {
            return work(database);
        }
    } catch (const OpenError& error) {
        report(FrameFailure(error.failure()));
    } catch (const EngineError&) {
        report(FrameFailure());
    }
    return {};
}

// The same on the rows that open gives: the rows are closed before the file.
template <typename Open, typename Work, typename Report>
auto runFrame(const QString& path, Open&& open, Work&& work, Report&& report)
    -> Framed<std::invoke_result_t<Work&, Result&>>
{
    return runOnDatabase(
        path,
        [&](Database& database) {
            Result rows = open(database);
            return work(rows);
        },
        std::forward<Report>(report));
}
