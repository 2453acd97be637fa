#pragma once

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TitleList;

// The main-window controls the store operations read their inputs from and write their
// results into.
struct StoreControls {
    QComboBox* Combo1;     // category
    TitleList* List1;      // titles of the category
    QLabel* Label5;        // number of titles listed
    QLineEdit* Text1;      // search text
    QPlainTextEdit* Text3; // English sentence
    QLineEdit* Text4;      // title
    QLineEdit* Text5;      // status line
    QPlainTextEdit* Text6; // translation
};
