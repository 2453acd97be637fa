#include "OptionStore.h"

#include "Database.h"
#include "DatabasePath.h"
#include "EngineError.h"
#include "OperationFrame.h"
#include "Result.h"

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
    try {
        Database database(DatabasePath(m_places));
        Result rows = database.openResult(QLatin1String("SELECT Option_Value ") +
                                          QStringLiteral(" FROM オプション") + condition(info));
        QString value = info.family == OptionFamily::Preset ? fallback : QString();
        if (rows.recordCount() == 0)
            return value;
        walkRows(rows, kLookupRowLimit, {}, [&](Result& row) {
            const std::optional<QString> stored = row.field(0);
            const QString trimmed = withoutLeadingSpaces(stored.value_or(QString()));
            switch (info.family) {
            case OptionFamily::Flag:
                value = trimmed == QLatin1String("0") ? QStringLiteral("0") : QStringLiteral("1");
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
    } catch (const OpenError&) {
    } catch (const EngineError&) {
    }
    return fallback;
}

int OptionStore::WriteOption(Option option, const QString& value) const
{
    try {
        Database database(DatabasePath(m_places));
        Result rows =
            database.openResult(QLatin1String("SELECT Option_Value") +
                                QStringLiteral(" FROM オプション") + condition(infoOf(option)));
        if (rows.recordCount() != 0) {
            rows.edit();
            rows.setField(QStringLiteral("Option_Value"), value);
            rows.update();
        }
        return 0;
    } catch (const OpenError&) {
    } catch (const EngineError&) {
    }
    return 1;
}
