#pragma once

#include <QString>

#include <functional>

class Result;

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
