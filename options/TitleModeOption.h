#pragma once

#include "TitleMode.h"

#include <QString>

// The title mode from the option Title_sw: "1" is E-J, any other text J-E.
inline TitleMode titleModeOfOption(const QString& optionText)
{
    return optionText == QLatin1String("1") ? TitleMode::EJ : TitleMode::JE;
}

// The option text of a title mode.
inline QString optionTextOf(TitleMode mode)
{
    return mode == TitleMode::EJ ? QStringLiteral("1") : QStringLiteral("2");
}
