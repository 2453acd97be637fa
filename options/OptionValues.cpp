#include "OptionValues.h"

#include <cmath>
#include <limits>

namespace {

// The speeds the settings window accepts, in words per minute.
constexpr double kSlowest = 160;
constexpr double kFastest = 200;

bool isDigit(QChar c)
{
    // ASCII only: QChar::isDigit() would take full-width digits that no conversion reads.
    return c >= u'0' && c <= u'9';
}

} // namespace

Qt::CheckState checkStateOf(const QString& optionText)
{
    bool isNumber = false;
    const short value = optionText.trimmed().toShort(&isNumber);
    return isNumber && value == 1 ? Qt::Checked : Qt::Unchecked;
}

QString optionTextOf(bool checked)
{
    return checked ? QStringLiteral("1") : QStringLiteral("0");
}

TitleMode titleModeOfOption(const QString& optionText)
{
    return optionText == QLatin1String("1") ? TitleMode::EJ : TitleMode::JE;
}

QString optionTextOf(TitleMode mode)
{
    return mode == TitleMode::EJ ? QStringLiteral("1") : QStringLiteral("2");
}

bool isNumeric(const QString& text)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && text[i] == u' ')
        ++i;
    while (end > i && text[end - 1] == u' ')
        --end;

    const auto digits = [&] {
        const qsizetype from = i;
        while (i < end && isDigit(text[i]))
            ++i;
        return i - from;
    };

    if (i < end && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype mantissa = digits();
    if (i < end && text[i] == u'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == end;
}

bool isSpeedInRange(const QString& numericText)
{
    // A number beyond double's range converts to an infinity and is out of range.
    const double wordsPerMinute = numericText.trimmed().toDouble();
    return wordsPerMinute >= kSlowest && wordsPerMinute <= kFastest;
}

std::optional<std::int32_t> speedOf(const QString& optionText)
{
    if (!isNumeric(optionText))
        return std::nullopt;
    const double rounded = std::nearbyint(optionText.toDouble());
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}
