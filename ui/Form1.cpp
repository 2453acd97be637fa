#include "Form1.h"

#include "Dialogs.h"
#include "Form2.h"
#include "Form3.h"
#include "ImeMode.h"
#include "OptionValues.h"
#include "PlainText.h"
#include "SpeechEngine.h"
#include "StoreTexts.h"
#include "UiTexts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>

#include <optional>

Form1::Form1(const BookPlaces& places, Dialogs& dialogs, SpeechEngine& speech, QWidget* parent)
    : QWidget(parent)
    , m_places(places)
    , m_options(places)
    , m_dialogs(dialogs)
    , m_speech(speech)
    , m_clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    ui.setupUi(this);
    setFixedSize(size());
    for (QWidget* small : {static_cast<QWidget*>(ui.Check1), static_cast<QWidget*>(ui.Check2),
                           static_cast<QWidget*>(ui.Label4)}) {
        QFont font = small->font();
        font.setPointSizeF(8.25);
        small->setFont(font);
    }
    setImeMode(ui.Text3, ImeMode::Disabled);
    setImeMode(ui.Text6, ImeMode::On);

    // Like the check boxes' click, toggled also fires when code changes the state.
    connect(ui.Check1, &QCheckBox::toggled, this, &Form1::Check1_Click);
    connect(ui.Check2, &QCheckBox::toggled, this, &Form1::Check2_Click);
    connect(ui.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui.Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(ui.Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(ui.Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(ui.Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(ui.Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(ui.Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(ui.Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(ui.Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(ui.List1, &TitleList::titleChosen, this, &Form1::List1_Click);

    Form_Load();
    ui.Command1->setFocus();
}

void Form1::Form_Load()
{
    ui.Combo2->clear();
    ui.Combo2->setEditText(UiTexts::actionList);
    ui.Combo2->addItems({UiTexts::actionList, UiTexts::actionAdd, UiTexts::actionDelete,
                         UiTexts::actionReview, UiTexts::actionStats});
    ClearFields();
    book().ListCategories();
    ui.Check1->setCheckState(checkStateOf(m_options.ReadOption(Option::English)));
    ui.Check2->setCheckState(checkStateOf(m_options.ReadOption(Option::Japanese)));
    ApplyTitleMode(titleModeOfOption(m_options.ReadOption(Option::Title_sw)));
    ui.Check3->setCheckState(checkStateOf(m_options.ReadOption(Option::Speak_sw)));
}

PhraseBook Form1::book()
{
    return {m_places,
            {ui.Combo1, ui.List1, ui.Label5, ui.Text1, ui.Text3, ui.Text4, ui.Text5, ui.Text6}};
}

void Form1::ClearFields()
{
    m_drilled.reset();
    m_marks.clear();
    ui.Text1->clear();
    ui.Text2->clear();
    ui.Text3->clear();
    ui.Text4->clear();
    ui.Text5->clear();
    ui.Text6->clear();
}

void Form1::ApplyTitleMode(TitleMode mode)
{
    const bool ej = mode == TitleMode::EJ;
    ui.Label1->setText(ej ? UiTexts::answerInJapanese : UiTexts::answerInEnglish);
    ui.Label2->setText(captionOf(mode));
    setImeMode(ui.Text2, ej ? ImeMode::NoControl : ImeMode::Disabled);
    setImeMode(ui.Text4, ej ? ImeMode::Disabled : ImeMode::On);
    setImeMode(ui.Text1, ej ? ImeMode::NoControl : ImeMode::On);
}

TitleMode Form1::currentTitleMode() const
{
    return titleModeOf(ui.Label2->text());
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Closing the main window ends the program even while the settings window is open.
    event->accept();
    QCoreApplication::quit();
}

// Browsing: a chosen title is shown and, if asked, spoken; Speak says it again.

void Form1::List1_Click()
{
    ui.Text5->clear();
    ui.Text2->clear();
    m_marks.clear();
    const TitleMode mode = currentTitleMode();
    m_drilled.reset();
    if (book().LoadTitle(mode))
        m_drilled = Drilled{mode, ui.List1->selectedTitle(), ui.Text4->text(),
                            plainTextOf(answerSide(mode))};
    if (m_reviewing)
        answerSide(mode)->hide();
    // In a J-E review the English sentence is the answer: hearing it would give it away.
    const bool speak = ui.Check3->isChecked() && !(m_reviewing && mode == TitleMode::JE);
    if (speak && !speakEnglishSentence())
        return;
    ui.Text5->setText(UiTexts::titleSelected);
}

void Form1::Command1_Click()
{
    speakEnglishSentence();
}

bool Form1::speakEnglishSentence()
{
    const QString sentence = plainTextOf(ui.Text3);
    if (sentence.isEmpty())
        return true;
    try {
        const std::optional<std::int32_t> speed = speedOf(m_options.ReadOption(Option::Speed));
        if (!speed)
            throw SpeechError("the speed is not a 32-bit number");
        m_speech.SetSpeed(*speed);
        m_speech.Speak(sentence);
        if (m_drilled && m_drilled->mode == TitleMode::JE)
            m_drilled->answerHeard = true;
        return true;
    } catch (const SpeechError&) {
        ui.Text5->setText(UiTexts::speechFailed);
        return false;
    }
}

// Drill: the answer checked against the title's other side.

void Form1::Command7_Click()
{
    const TitleMode mode = currentTitleMode();
    const QString reference = plainTextOf(answerSide(mode));
    // Exactly the same characters: no trimming, no folding of case or width.
    const QString answer = ui.Text2->text();
    const bool isRight = answer == reference;
    const bool notRecorded = checkCounts(mode, reference) &&
                             !book().RecordReview(mode, m_drilled->title, isRight, m_clock());
    // Without sound, or without the record, the drill still says how the answer went.
    QStringList said{isRight ? UiTexts::right : UiTexts::wrong};
    try {
        // The speed stays whatever the last speaking of a sentence set.
        m_speech.Speak(m_options.ReadOption(isRight ? Option::Anser_true : Option::Anser_false));
    } catch (const SpeechError&) {
        said << UiTexts::speechFailed;
    }
    if (notRecorded)
        said << StoreTexts::recordReviewFailed;
    ui.Text5->setText(said.join(UiTexts::verdictSeparator));
    if (m_reviewing)
        answerSide(mode)->show();
    if (isRight)
        m_marks.clear();
    else
        m_marks.show(diffAnswer(answer, reference), ui.Text2, answerSide(mode));
}

QPlainTextEdit* Form1::answerSide(TitleMode mode) const
{
    return mode == TitleMode::EJ ? ui.Text6 : ui.Text3;
}

bool Form1::checkCounts(TitleMode mode, const QString& reference) const
{
    // Seeing or hearing the answer is no test, and boxes typed by hand are no title of the book.
    return m_drilled && m_drilled->mode == mode && answerSide(mode)->isHidden() &&
           !m_drilled->answerHeard && ui.Text4->text() == m_drilled->shownTitle &&
           reference == m_drilled->reference;
}

// Category actions: list the category's titles, add it, delete it with its titles.

void Form1::Command3_Click()
{
    ui.Text5->clear();
    const QString action = ui.Combo2->currentText();
    if (action == UiTexts::actionReview)
        return reviewTitles();
    // The statistics open beside the list, which keeps what it holds.
    if (action == UiTexts::actionStats)
        return showStats();
    endReview();
    if (action == UiTexts::actionList) {
        ui.List1->clear();
        if (!ui.Text1->text().isEmpty())
            book().FilterTitles(currentTitleMode());
        else
            book().ListTitles(currentTitleMode());
        ui.Text1->clear();
    } else if (action == UiTexts::actionAdd) {
        addCategory();
    } else if (action == UiTexts::actionDelete) {
        deleteCategory();
    }
}

void Form1::addCategory()
{
    if (!m_dialogs.ask(UiTexts::categoryQuestionTitle, ui.Combo1->currentText() + UiTexts::askAdd))
        return;
    if (book().AddCategory() != EditOutcome::Done)
        return;
    book().ListCategories();
    ClearFields();
    ui.List1->clear();
    ui.Combo2->setEditText(UiTexts::actionList);
}

void Form1::deleteCategory()
{
    if (!m_dialogs.ask(UiTexts::categoryQuestionTitle,
                       ui.Combo1->currentText() + UiTexts::askDeleteCategory))
        return;
    // A category goes only once all its titles are gone, so none is left behind unlisted.
    if (book().DeleteCategoryTitles(currentTitleMode()) == EditOutcome::Failed)
        return;
    if (book().DeleteCategory() != EditOutcome::Done)
        return;
    ClearFields();
    ui.List1->clear();
    ui.Combo2->setEditText(UiTexts::actionList);
    book().ListCategories();
}

void Form1::reviewTitles()
{
    m_reviewing = true;
    book().ListDueTitles(currentTitleMode(), m_clock());
}

void Form1::showStats()
{
    const std::optional<ReviewStats> stats = book().ReadStats(m_clock());
    if (!stats)
        return;
    // A window closed a moment ago may still await its deletion; it is no longer open.
    if (!m_stats || m_stats->isHidden())
        m_stats = new Form3(this);
    m_stats->Open(*stats, ui.Combo1->currentText());
}

void Form1::endReview()
{
    if (!m_reviewing)
        return;
    m_reviewing = false;
    Check1_Click();
    Check2_Click();
}

// Title edits: register, update, delete the title of Text4.

void Form1::Command4_Click()
{
    ui.Text5->clear();
    if (ui.Combo1->currentText().isEmpty())
        return m_dialogs.tell(UiTexts::noCategory);
    if (ui.Text4->text().isEmpty())
        return m_dialogs.tell(UiTexts::noTitle);
    const auto askOtherTitle = [this](const QString& prompt) { return m_dialogs.input(prompt); };
    // Cancelled, refused or failed, the boxes keep what the user typed.
    if (const auto mode = confirmTitleEdit(UiTexts::askAdd);
        mode && book().AddTitle(*mode, askOtherTitle) == EditOutcome::Done)
        showEditedTitles(*mode);
}

void Form1::Command5_Click()
{
    // A refused update keeps its error text in view; the boxes stay as they are.
    if (const auto mode = confirmTitleEdit(UiTexts::askUpdate);
        mode && book().UpdateTitle(*mode) != EditOutcome::Failed) {
        endReview();
        book().ListTitles(*mode);
    }
}

void Form1::Command6_Click()
{
    if (const auto mode = confirmTitleEdit(UiTexts::askDelete);
        mode && book().DeleteTitle(*mode) == EditOutcome::Done)
        showEditedTitles(*mode);
}

std::optional<TitleMode> Form1::confirmTitleEdit(const QString& question)
{
    ui.Text5->clear();
    if (!m_dialogs.ask(UiTexts::titleQuestionTitle, ui.Text4->text() + question))
        return std::nullopt;
    return currentTitleMode();
}

void Form1::showEditedTitles(TitleMode mode)
{
    endReview();
    ClearFields();
    book().ListTitles(mode);
}

// Settings: the settings window, one at a time.

void Form1::Command9_Click()
{
    ui.Command9->setEnabled(false);
    ui.Text5->clear();
    // A window closed a moment ago may still await its deletion; it is no longer open.
    if (!m_settings || m_settings->isHidden()) {
        MainWindowLink link{
            .Command9 = ui.Command9,
            .Text5 = ui.Text5,
            .Check1 = ui.Check1,
            .Check2 = ui.Check2,
            .Check3 = ui.Check3,
            .ApplyTitleMode = [this](TitleMode mode) { ApplyTitleMode(mode); },
            .ClearFields = [this] { ClearFields(); },
            .clearTitles =
                [this] {
                    endReview();
                    ui.List1->clear();
                },
            .tell = [this](const QString& text) { m_dialogs.tell(text); },
        };
        m_settings = new Form2(m_options, std::move(link), this);
    }
    m_settings->Open();
}

// Small commands: show or hide the sentence and the translation, clear, quit.

void Form1::Check1_Click()
{
    ui.Text3->setVisible(ui.Check1->isChecked());
}

void Form1::Check2_Click()
{
    ui.Text6->setVisible(ui.Check2->isChecked());
}

void Form1::Command8_Click()
{
    ClearFields();
}

void Form1::Command2_Click()
{
    QCoreApplication::quit();
}
