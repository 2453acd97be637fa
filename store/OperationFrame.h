#pragma once

#include "EngineError.h"

#include <QString>

#include <functional>
#include <limits>

class QLineEdit;
class Result;

// The lookups count rows in 16 bits: a larger result is refused before its first row.
constexpr qsizetype kLookupRowLimit = std::numeric_limits<qint16>::max();
constexpr qsizetype kDeleteRowLimit = std::numeric_limits<qint32>::max();

// Every category and title operation runs in this frame: open the file, open the result of
// its statement (or its table for appending), do its work. The result and the file are
// closed before the call returns, whatever happened. A failure while opening writes the fixed
// text of its kind into the status line; a failure during the work writes the operation's
// error text. Returns whether the work ran to its end.
bool runQuery(QLineEdit* status, const QString& path, const QString& statement,
              const QString& errorText, const std::function<void(Result&)>& work);
bool runAppend(QLineEdit* status, const QString& path, const QString& table,
               const QString& errorText, const std::function<void(Result&)>& work);

// Visits every row of a non-empty result in order. The count is checked against limit first,
// then beforeFirst runs, then visit on each row.
void walkRows(Result& result, qsizetype limit, const std::function<void()>& beforeFirst,
              const std::function<void(Result&)>& visit);

QString openFailureText(OpenFailure failure);

// Column i of the current row; an absent value is a failure of the operation.
QString requireText(const Result& result, int column);
// The same without a copy, valid as long as the result.
QStringView requireView(const Result& result, int column);

// Values are shown without their leading spaces. Only U+0020 counts: an ideographic space
// at the start of a Japanese text is the user's own layout, and the blank stored for an
// empty English sentence is an ASCII one.
QString withoutLeadingSpaces(const QString& text);
