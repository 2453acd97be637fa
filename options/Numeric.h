#pragma once

#include <QString>

// True when text, spaces before and after aside, is one decimal number: an optional sign,
// digits with an optional decimal part (".5" and "5." included), an optional exponent.
// Nothing else counts: no group separators, currency, hexadecimal, "inf" or "nan".
bool isNumeric(const QString& text);
