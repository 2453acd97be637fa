#pragma once

#include "AnswerMarks.h"
#include "BookPlaces.h"
#include "OptionStore.h"
#include "PhraseBook.h"
#include "TitleMode.h"
#include "ui_Form1.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class Dialogs;
class Form2;
class Form3;
class SpeechEngine;

// The main window, where all work is done. Its state lives in its controls alone: the title
// mode in Label2's caption, the category in Combo1, the current title in Text4, Text3, Text6.
// An edit that didn't happen leaves its message and everything the user typed in place; only a
// done edit clears the boxes and refreshes the lists.
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

    // The time reviews are recorded at and due by, in milliseconds since 1970 UTC; the system
    // clock unless a test sets another.
    using Clock = std::function<std::int64_t()>;
    void setClock(Clock clock) { m_clock = std::move(clock); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Start: the controls filled from the phrase book and the options.
    void Form_Load();
    // The phrase book's operations, on this window's controls.
    PhraseBook book();

    // Browsing: a chosen title is shown and, if asked, spoken; Speak says it again.
    void List1_Click();
    void Command1_Click();

    // Drill: the answer checked against the title's other side, and a review recorded when
    // the title was drilled with that side hidden.
    void Command7_Click();
    // The box that shows the side the user answers with.
    QPlainTextEdit* answerSide(TitleMode mode) const;
    // Whether a Check now tests the title chosen last, as it was shown.
    bool checkCounts(TitleMode mode, const QString& reference) const;

    // Category actions: list the category's titles, add it, delete it with its titles.
    void Command3_Click();
    void addCategory();
    void deleteCategory();
    // Lists what is due, and hides each chosen title's answer side until its Check.
    void reviewTitles();
    // Opens the statistics window on the category, one window at a time.
    void showStats();
    // The list no longer holds a review: both sides show as the check boxes say.
    void endReview();

    // Title edits: register, update, delete the title of Text4.
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    // Asks whether to edit the title of Text4, the status line emptied; the mode to edit in.
    std::optional<TitleMode> confirmTitleEdit(const QString& question);
    // After a done edit: the boxes emptied and the category's titles listed again.
    void showEditedTitles(TitleMode mode);

    // Settings: the settings window, one at a time.
    void Command9_Click();

    // Small commands: show or hide the sentence and the translation, clear, quit.
    void Check1_Click();
    void Check2_Click();
    void Command8_Click();
    void Command2_Click();

    Ui::Form1 ui;
    BookPlaces m_places;
    OptionStore m_options;
    Dialogs& m_dialogs;
    SpeechEngine& m_speech;
    QPointer<Form2> m_settings;
    QPointer<Form3> m_stats;

    // The title chosen last from the list, and how it was shown: a Check counts for it only
    // while the boxes still show it.
    struct Drilled {
        TitleMode mode;
        QString title;
        QString shownTitle;
        QString reference;
        bool answerHeard = false; // the English sentence spoken while it is the answer
    };
    std::optional<Drilled> m_drilled;
    bool m_reviewing = false; // List1 holds what a review listed
    AnswerMarks m_marks;
    Clock m_clock;
};
