#include "OptionStore.h"

#include "DatabasePath.h"
#include "OperationFrame.h"
#include "Rows.h"

using namespace Qt::StringLiterals;

namespace {

// Neither call tells the user anything.
void reportNothing(FrameFailure) {}

} // namespace

OptionStore::OptionStore(BookPlaces places)
    : m_places(std::move(places))
{
}

QString OptionStore::ReadOption(Option option) const
{
    const OptionInfo& info = infoOf(option);
    const QString fallback = QLatin1String(info.fallback);
    const QString statement =
        u"SELECT Option_Value  FROM オプション WHERE Option_Name = '%1'"_s.arg(
            QLatin1String(info.name));
    // A failure gives the option's fallback.
    const auto read = runFrame(
        DatabasePath(m_places), query(statement),
        [&](Result& rows) {
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
        },
        reportNothing);
    return read.value_or(fallback);
}

int OptionStore::WriteOption(Option option, const QString& value) const
{
    const QString statement = u"SELECT Option_Value FROM オプション WHERE Option_Name = '%1'"_s.arg(
        QLatin1String(infoOf(option).name));
    const auto write = [&](Result& rows) {
        if (rows.recordCount() != 0) {
            rows.edit();
            rows.setField(u"Option_Value"_s, value);
            rows.update();
        }
    };
    const bool written = runFrame(DatabasePath(m_places), query(statement), write, reportNothing);
    return written ? 0 : 1;
}
