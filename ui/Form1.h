#pragma once

#include "OptionStore.h"
#include "PhraseBook.h"
#include "TitleMode.h"
#include "ui_Form1.h"

#include <QPointer>
#include <QWidget>

class Dialogs;
class Form2;
class SpeechEngine;

// The main window, where all work is done. Its state lives in its controls alone: the title
// mode in Label2's caption, the category in Combo1, the current title in Text4, Text3, Text6.
class Form1 : public QWidget {
    Q_OBJECT

public:
    // places tell where the phrase book file lies; the program passes its own.
    Form1(const BookPlaces& places, Dialogs& dialogs, SpeechEngine& speech,
          QWidget* parent = nullptr);

    void ClearFields();
    void ApplyTitleMode(TitleMode mode);
    TitleMode currentTitleMode() const;
    // Says the English sentence of Text3 at the stored speed; false, with the speech error in
    // the status line, when that failed. An empty sentence is silently nothing.
    bool speakEnglishSentence();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    StoreControls setUpControls();
    void Form_Load();
    void Check1_Click();
    void Check2_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void List1_Click();
    void addCategory();
    void deleteCategory();
    bool confirmTitleEdit(const QString& question);
    void Command8_Click();
    void Command9_Click();

    Ui::Form1 ui;
    PhraseBook m_book;
    OptionStore m_options;
    Dialogs& m_dialogs;
    SpeechEngine& m_speech;
    QPointer<Form2> m_settings;
};
