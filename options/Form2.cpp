#include "Form2.h"

#include "ImeMode.h"
#include "OptionTexts.h"
#include "OptionValues.h"

using namespace Qt::StringLiterals;

Form2::Form2(OptionStore options, MainWindowLink mainWindow, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_options(std::move(options))
    , m_main(std::move(mainWindow))
{
    ui.setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(size());
    // These captions are wider than their boxes at the window's 9 pt.
    for (auto [caption, points] :
         {std::pair<QWidget*, double>{ui.Option1, 7.5}, {ui.Option2, 7.5}, {ui.Label5, 8.25}}) {
        QFont font = caption->font();
        font.setPointSizeF(points);
        caption->setFont(font);
    }
    for (QLineEdit* box : {ui.Text2, ui.Text3, ui.Text4})
        setImeMode(box, ImeMode::Disabled);

    // An option button acts when it becomes selected, by the user or by code, never when it
    // is selected again.
    connect(ui.Option1, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected)
            Option1_Click();
    });
    connect(ui.Option2, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected)
            Option2_Click();
    });
    connect(ui.Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(ui.Command3, &QPushButton::clicked, this, &Form2::Command3_Click);
}

void Form2::Open()
{
    ui.Check1->setCheckState(checkStateOf(m_options.ReadOption(Option::English)));
    ui.Check2->setCheckState(checkStateOf(m_options.ReadOption(Option::Japanese)));
    ui.Check3->setCheckState(checkStateOf(m_options.ReadOption(Option::Speak_sw)));
    ui.Text2->setText(m_options.ReadOption(Option::Speed));
    // Under E-J this runs Option1's action on a new window, which overrides the two check
    // boxes just loaded.
    const TitleMode mode = titleModeOfOption(m_options.ReadOption(Option::Title_sw));
    (mode == TitleMode::EJ ? ui.Option1 : ui.Option2)->setChecked(true);
    m_main.Command9->setEnabled(true);
    // A window filled again may lie behind the main window.
    if (isVisible())
        raise();
    show();
    activateWindow();
    ui.Text3->setText(m_options.ReadOption(Option::Anser_true));
    ui.Text4->setText(m_options.ReadOption(Option::Anser_false));
}

void Form2::Option1_Click()
{
    m_main.Check1->setChecked(true);
    m_main.Check2->setChecked(false);
    ui.Check1->setChecked(true);
    ui.Check2->setChecked(false);
}

void Form2::Option2_Click()
{
    m_main.Check1->setChecked(false);
    m_main.Check2->setChecked(true);
    ui.Check1->setChecked(false);
    ui.Check2->setChecked(true);
}

void Form2::Command2_Click()
{
    close();
}

void Form2::Command3_Click()
{
    const QString speed = ui.Text2->text();
    if (!isNumeric(speed)) {
        m_main.tell(OptionTexts::speedNotNumeric);
        return;
    }
    if (!isSpeedInRange(speed)) {
        m_main.tell(OptionTexts::speedOutOfRange);
        return;
    }
    ui.Command3->setEnabled(false);

    // A failed write doesn't stop the others, and the main window follows the window's
    // choices either way.
    bool failed = false;
    const auto write = [&](Option option, const QString& value) {
        failed = m_options.WriteOption(option, value) != 0 || failed;
    };
    write(Option::English, optionTextOf(ui.Check1->isChecked()));
    m_main.Check1->setChecked(ui.Check1->isChecked());
    write(Option::Japanese, optionTextOf(ui.Check2->isChecked()));
    m_main.Check2->setChecked(ui.Check2->isChecked());
    write(Option::Speed, speed);
    write(Option::Speak_sw, optionTextOf(ui.Check3->isChecked()));
    m_main.Check3->setChecked(ui.Check3->isChecked());
    const TitleMode mode = ui.Option1->isChecked() ? TitleMode::EJ : TitleMode::JE;
    m_main.ApplyTitleMode(mode);
    write(Option::Title_sw, optionTextOf(mode));
    write(Option::Anser_true, ui.Text3->text());
    write(Option::Anser_false, ui.Text4->text());

    m_main.ClearFields();
    m_main.clearTitles();
    // After the clearing, so that the outcome stays in view.
    m_main.Text5->setText(failed ? OptionTexts::saveFailed : OptionTexts::saved);
    close();
}
