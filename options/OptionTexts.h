#pragma once

#include <QString>

// Every text the settings window shows in a box or writes into the main window's status line.
namespace OptionTexts {

inline const QString speedNotNumeric = QStringLiteral("SPEEDは、数値のみしか入力できません。");
inline const QString speedOutOfRange =
    QStringLiteral("SPEEDは、160～200の範囲で指定してください。");
inline const QString saved = QStringLiteral("オプションを保存しました。");
inline const QString saveFailed = QStringLiteral("オプション保存に失敗しました。");

} // namespace OptionTexts
