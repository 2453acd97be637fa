#include "Numeric.h"

namespace {

bool isDigit(QChar c)
{
    // ASCII only: QChar::isDigit() would take full-width digits that no conversion reads.
    return c >= u'0' && c <= u'9';
}

} // namespace

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
