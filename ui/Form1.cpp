#include "Form1.h"

#include "CheckState.h"
#include "Dialogs.h"
#include "Form2.h"
#include "ImeMode.h"
#include "SpeechEngine.h"

#include <QCloseEvent>
#include <QCoreApplication>

Form1::Form1(const QString& folder, Dialogs& dialogs, SpeechEngine& speech, QWidget* parent)
    : QWidget(parent)
    , m_book(folder, setUpControls())
    , m_options(folder)
    , m_dialogs(dialogs)
    , m_speech(speech) {
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
    connect(ui.Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(ui.Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(ui.Command9, &QPushButton::clicked, this, &Form1::Command9_Click);

    Form_Load();
}

StoreControls Form1::setUpControls() {
    ui.setupUi(this);
    return {ui.Combo1, ui.List1, ui.Label5, ui.Text1, ui.Text3, ui.Text4, ui.Text5, ui.Text6};
}

void Form1::Form_Load() {
    ui.Combo2->clear();
    ui.Combo2->setEditText(QStringLiteral("選択"));
    ui.Combo2->addItems({QStringLiteral("選択"), QStringLiteral("登録"), QStringLiteral("削除")});
    ClearFields();
    m_book.ListCategories();
    ui.Check1->setCheckState(checkStateOf(m_options.ReadOption(Option::English)));
    ui.Check2->setCheckState(checkStateOf(m_options.ReadOption(Option::Japanese)));
    ApplyTitleMode(m_options.ReadOption(Option::Title_sw) == QLatin1String("1") ? TitleMode::EJ
                                                                                : TitleMode::JE);
    ui.Check3->setCheckState(checkStateOf(m_options.ReadOption(Option::Speak_sw)));
}

void Form1::ClearFields() {
    ui.Text1->clear();
    ui.Text2->clear();
    ui.Text3->clear();
    ui.Text4->clear();
    ui.Text5->clear();
    ui.Text6->clear();
}

void Form1::ApplyTitleMode(TitleMode mode) {
    const bool ej = mode == TitleMode::EJ;
    ui.Label1->setText(ej ? QStringLiteral("解答欄（日本語）") : QStringLiteral("解答欄（英語）"));
    ui.Label2->setText(captionOf(mode));
    setImeMode(ui.Text2, ej ? ImeMode::NoControl : ImeMode::Disabled);
    setImeMode(ui.Text4, ej ? ImeMode::Disabled : ImeMode::On);
    setImeMode(ui.Text1, ej ? ImeMode::NoControl : ImeMode::On);
}

TitleMode Form1::currentTitleMode() const {
    return titleModeOf(ui.Label2->text());
}

void Form1::Check1_Click() {
    ui.Text3->setVisible(ui.Check1->isChecked());
}

void Form1::Check2_Click() {
    ui.Text6->setVisible(ui.Check2->isChecked());
}

void Form1::Command2_Click() {
    QCoreApplication::quit();
}

void Form1::Command8_Click() {
    ClearFields();
}

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
            .List1 = ui.List1,
            .ApplyTitleMode = [this](TitleMode mode) { ApplyTitleMode(mode); },
            .ClearFields = [this] { ClearFields(); },
            .tell = [this](const QString& text) { m_dialogs.tell(text); },
        };
        m_settings = new Form2(m_options, std::move(link), this);
    }
    m_settings->Open();
}

void Form1::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program even while the settings window is open.
    event->accept();
    QCoreApplication::quit();
}
