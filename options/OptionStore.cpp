#include "OptionStore.h"

#include "DatabasePath.h"
#include "OperationFrame.h"

namespace {

QString condition(const OptionInfo& info)
{
    return QLatin1String(" WHERE Option_Name = '") + QLatin1String(info.name) + QLatin1Char('\'');
}

} // namespace

OptionStore::OptionStore(BookPlaces places)
    : m_places(std::move(places))
{
}

QString OptionStore::ReadOption(Option option) const
{
    const OptionInfo& info = infoOf(option);
    const QString fallback = QLatin1String(info.fallback);
    const QString statement = QLatin1String("SELECT Option_Value ") +
                              QStringLiteral(" FROM オプション") + condition(info);
    // Reading reports nothing: a failure gives the option's fallback.
    const auto read =
        runFrame(nullptr, DatabasePath(m_places), {}, query(statement), [&](Result& rows) {
            QString value = info.family == OptionFamily::Preset ? fallback : QString();
            if (rows.recordCount() == 0)
                return value;
            walkRows(rows, kLookupRowLimit, {}, [&](Result& row) {
                const std::optional<QString> stored = row.field(0);
                const QString trimmed = withoutLeadingSpaces(stored.value_or(QString()));
                switch (info.family) {
                case OptionFamily::Flag:
                    value =
                        trimmed == QLatin1String("0") ? QStringLiteral("0") : QStringLiteral("1");
                    break;
                case OptionFamily::ValueOrDefault:
                    if (!stored)
                        throw EngineError("absent value");
                    value = trimmed.isEmpty() ? fallback : trimmed;
                    break;
                case OptionFamily::Preset:
                    if (!trimmed.isEmpty())
                        value = trimmed;
                    break;
                }
            });
            return value;
        });
    return read.value_or(fallback);
}

int OptionStore::WriteOption(Option option, const QString& value) const
{
    const QString statement = QLatin1String("SELECT Option_Value") +
                              QStringLiteral(" FROM オプション") + condition(infoOf(option));
    const bool written =
        runFrame(nullptr, DatabasePath(m_places), {}, query(statement), [&](Result& rows) {
            if (rows.recordCount() != 0) {
                rows.edit();
                rows.setField(QStringLiteral("Option_Value"), value);
                rows.update();
            }
        });
    return written ? 0 : 1;
}
