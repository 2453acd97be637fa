#pragma once

#include "TitleMode.h"

#include <QString>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

// What the settings window reaches of the main window: the controls it sets and the main
// window's own operations. Keeps options/ free of the main window's class.
struct MainWindowLink {
    QPushButton* Command9;
    QLineEdit* Text5;
    QCheckBox* Check1;
    QCheckBox* Check2;
    QCheckBox* Check3;
    std::function<void(TitleMode)> ApplyTitleMode;
    std::function<void()> ClearFields;
    // Empties the main window's title list.
    std::function<void()> clearTitles;
    // A notice with an OK button only.
    std::function<void(const QString&)> tell;
};
