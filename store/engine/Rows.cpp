#include "Rows.h"

#include "EngineError.h"
#include "Result.h"

void walkRows(Result& result, qsizetype limit, const std::function<void()>& beforeFirst,
              const std::function<void(Result&)>& visit)
{
    const qsizetype rows = result.recordCount();
    if (rows > limit)
        throw EngineError("more rows than the walk can count");
    result.moveFirst();
    if (beforeFirst)
        beforeFirst();
    for (qsizetype i = 0; i < rows; ++i) {
        visit(result);
        result.moveNext();
    }
}

QStringView requireView(const Result& result, int column)
{
    const auto value = result.fieldView(column);
    if (!value)
        throw EngineError("absent value");
    return *value;
}

QString requireText(const Result& result, int column)
{
    return requireView(result, column).toString();
}

QString withoutLeadingSpaces(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    return text.mid(i);
}
