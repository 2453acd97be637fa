#pragma once

#include "TitleMode.h"

#include <QString>

#include <Qt>

#include <cstdint>
#include <optional>

// How the stored option texts become the windows' states, and the states option texts again.

// A check box state from its option text. Only the number 1 checks the box: the empty text of
// a missing row, and any other text, leave it unchecked rather than guessing.
Qt::CheckState checkStateOf(const QString& optionText);
// The option text of a check box state.
QString optionTextOf(bool checked);

// The title mode from the option Title_sw: "1" is E-J, any other text J-E.
TitleMode titleModeOfOption(const QString& optionText);
// The option text of a title mode.
QString optionTextOf(TitleMode mode);

// True when text, spaces before and after aside, is one decimal number: an optional sign,
// digits with an optional decimal part (".5" and "5." included), an optional exponent.
// Nothing else counts: no group separators, currency, hexadecimal, "inf" or "nan".
bool isNumeric(const QString& text);
// Whether a numeric speed text lies within the speeds the settings window offers.
bool isSpeedInRange(const QString& numericText);
// The speed option as a whole number of words per minute: a decimal notation, fractions
// rounding to the nearest even number. Anything else, or a value beyond 32 bits, has none.
std::optional<std::int32_t> speedOf(const QString& optionText);
