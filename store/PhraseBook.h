#pragma once

#include "StoreControls.h"

#include <QString>

// The category and title operations. They read their inputs from the main window's controls,
// write their results back into them and report only through the status line.
class PhraseBook {
public:
    PhraseBook(QString folder, StoreControls controls);

    // Fills the category box with every category, the first one as its text.
    void ListCategories();

private:
    QString path() const;

    QString m_folder;
    StoreControls m_c;
};
