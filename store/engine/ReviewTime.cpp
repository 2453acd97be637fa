#include "ReviewTime.h"

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back
// (H. Hinnant's days_from_civil and civil_from_days).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month, day;
};

Civil civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

void putDigits(char16_t*& out, std::int64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    }
    out += width;
}

// The digits of text at [at, at + width), or -1.
int digits(QStringView text, qsizetype at, int width)
{
    int value = 0;
    for (qsizetype i = at; i < at + width; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

QString formatReviewTime(std::int64_t ms)
{
    std::int64_t days = ms / kMsPerDay;
    std::int64_t inDay = ms % kMsPerDay;
    if (inDay < 0) {
        inDay += kMsPerDay;
        --days;
    }
    const Civil date = civilFromDays(days);
    QString text(24, Qt::Uninitialized);
    auto* out = reinterpret_cast<char16_t*>(text.data());
    putDigits(out, date.year, 4);
    *out++ = u'-';
    putDigits(out, date.month, 2);
    *out++ = u'-';
    putDigits(out, date.day, 2);
    *out++ = u'T';
    putDigits(out, inDay / 3'600'000, 2);
    *out++ = u':';
    putDigits(out, inDay / 60'000 % 60, 2);
    *out++ = u':';
    putDigits(out, inDay / 1000 % 60, 2);
    *out++ = u'.';
    putDigits(out, inDay % 1000, 3);
    *out = u'Z';
    return text;
}

std::optional<std::int64_t> parseReviewTime(QStringView t)
{
    if (t.size() != 24 || t[4] != u'-' || t[7] != u'-' || t[10] != u'T' || t[13] != u':' ||
        t[16] != u':' || t[19] != u'.' || t[23] != u'Z')
        return std::nullopt;
    const int year = digits(t, 0, 4), month = digits(t, 5, 2), day = digits(t, 8, 2);
    const int hour = digits(t, 11, 2), minute = digits(t, 14, 2), second = digits(t, 17, 2);
    const int ms = digits(t, 20, 3);
    if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59 || ms < 0)
        return std::nullopt;
    const std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    // 2026-02-30 would be read as 2026-03-02: only a date that reads back the same is one.
    const Civil back = civilFromDays(days);
    if (back.month != static_cast<unsigned>(month) || back.day != static_cast<unsigned>(day))
        return std::nullopt;
    return days * kMsPerDay + hour * 3'600'000LL + minute * 60'000LL + second * 1000LL + ms;
}
