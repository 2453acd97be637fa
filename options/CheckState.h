#pragma once

#include <QString>

#include <Qt>

// A check box state from its option text. Only the number 1 checks the box: the empty text of
// a missing row, and any other text, leave it unchecked rather than guessing.
inline Qt::CheckState checkStateOf(const QString& optionText)
{
    bool isNumber = false;
    const short value = optionText.trimmed().toShort(&isNumber);
    return isNumber && value == 1 ? Qt::Checked : Qt::Unchecked;
}

// The option text of a check box state.
inline QString optionTextOf(bool checked)
{
    return checked ? QStringLiteral("1") : QStringLiteral("0");
}
