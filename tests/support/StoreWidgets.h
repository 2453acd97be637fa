#pragma once

#include "StoreControls.h"
#include "TitleList.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

// The controls the store reads and writes, standing alone as the main window has them.
struct StoreWidgets {
    QComboBox combo;
    TitleList list;
    QLabel count;
    QLineEdit search, title, status;
    QPlainTextEdit english, translation;

    StoreWidgets() { combo.setEditable(true); }
    StoreControls view()
    {
        return {&combo, &list, &count, &search, &english, &title, &status, &translation};
    }
};
