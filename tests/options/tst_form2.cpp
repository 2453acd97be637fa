#include "FakeDialogs.h"
#include "FakeSpeech.h"
#include "Form1.h"
#include "Form2.h"
#include "ImeMode.h"
#include "Numeric.h"
#include "OptionTexts.h"
#include "TestFolder.h"
#include "TitleList.h"

#include <QApplication>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kOptionRows =
    u"SELECT Option_Name || '=' || Option_Value FROM オプション ORDER BY rowid"_s;

template <typename T = QWidget> T* get(QWidget* window, const char* name)
{
    auto* control = window->findChild<T*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!control)
        qFatal("no control %s", name);
    return control;
}
// Near the left edge: on the indicator of check boxes and option buttons.
void click(QWidget* window, const char* name)
{
    auto* button = get<QAbstractButton>(window, name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}
QString checks(QWidget* window, std::initializer_list<const char*> names)
{
    QString states;
    for (const char* name : names)
        states += get<QAbstractButton>(window, name)->isChecked() ? u'1' : u'0';
    return states;
}
QString text(QWidget* window, const char* name)
{
    return get<QLineEdit>(window, name)->text();
}

// The main window, with its folder, dialogs and speech replaced, and its settings window.
struct Windows {
    FakeDialogs dialogs;
    FakeSpeech speech;
    Form1 main;

    explicit Windows(const TestFolder& folder)
        : main(folder.path(), dialogs, speech)
    {
    }
    // The open settings window, or null once it has closed.
    Form2* settings()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QList<Form2*> open = main.findChildren<Form2*>();
        if (open.size() > 1)
            qFatal("more than one settings window");
        return open.value(0);
    }
    Form2* open()
    {
        click(&main, "Command9");
        return settings();
    }
    // Something in every field a save empties.
    void fill()
    {
        for (const char* box : {"Text1", "Text2", "Text4"})
            get<QLineEdit>(&main, box)->setText(u"x"_s);
        get<TitleList>(&main, "List1")->addItems({u"a"_s, u"b"_s});
    }
    // What the settings window may change on the main window.
    QStringList state()
    {
        return {checks(&main, {"Check1", "Check2", "Check3"}),
                text(&main, "Text1") + text(&main, "Text2") + text(&main, "Text4"),
                text(&main, "Text5"),
                get<QLabel>(&main, "Label1")->text() + get<QLabel>(&main, "Label2")->text(),
                QString::number(get<TitleList>(&main, "List1")->count()),
                QString::number(get(&main, "Text3")->isVisibleTo(&main)) +
                    QString::number(get(&main, "Text6")->isVisibleTo(&main))};
    }
};

void store(const TestFolder& folder, const char* name, const QString& value)
{
    folder.exec(u"UPDATE オプション SET Option_Value = '%1' WHERE Option_Name = '%2'"_s.arg(
        value, QLatin1String(name)));
}

} // namespace

class TestForm2 : public QObject {
    Q_OBJECT

private slots:
    void focusOrderAndInputMethods()
    {
        TestFolder folder;
        Windows w(folder);
        Form2* settings = w.open();
        QStringList order; // from the control focused first
        for (QWidget* c = settings->nextInFocusChain(); c != settings; c = c->nextInFocusChain())
            if (c->focusPolicy() & Qt::TabFocus)
                order << c->objectName();
        QCOMPARE(order.join(u' '), u"Check1 Command2 Check2 Text2 Command3 Check3 Option1 "
                                   "Option2 Text3 Text4"_s);
        for (const char* box : {"Text2", "Text3", "Text4"})
            QVERIFY(imeModeOf(get(settings, box)) == ImeMode::Disabled &&
                    !get(settings, box)->testAttribute(Qt::WA_InputMethodEnabled));
    }

    // The window shows the store, not the main window; under E-J a new window's Option1
    // action overrides the two show boxes in both windows.
    void openingFillsFromTheStore_data()
    {
        QTest::addColumn<QString>("titleSw");
        QTest::addColumn<QString>("speakSw");
        QTest::addColumn<QString>("settingsChecks"); // Check1..3, Option1
        QTest::addColumn<QString>("mainChecks");     // Check1..3
        QTest::newRow("E-J") << u"1"_s << u"1"_s << u"1011"_s << u"100"_s;
        QTest::newRow("J-E, spaced flag") << u"2"_s << u" 1 "_s << u"0110"_s << u"000"_s;
        QTest::newRow("J-E, flag not 1") << u"0"_s << u"2"_s << u"0100"_s << u"001"_s;
        QTest::newRow("J-E, flag no number") << u"x"_s << u"abc"_s << u"0100"_s << u"001"_s;
    }
    void openingFillsFromTheStore()
    {
        QFETCH(QString, titleSw);
        QFETCH(QString, speakSw);
        QFETCH(QString, settingsChecks);
        QFETCH(QString, mainChecks);
        TestFolder folder;
        store(folder, "English", u"0"_s);
        store(folder, "Title_sw", titleSw);
        store(folder, "Speak_sw", speakSw);
        store(folder, "Speed", u"190"_s);
        store(folder, "Anser_true", u" yes! "_s);
        Windows w(folder);
        click(&w.main, "Check2"); // unsaved changes, which the settings window doesn't show
        click(&w.main, "Check3");
        Form2* settings = w.open();
        QCOMPARE(checks(settings, {"Check1", "Check2", "Check3", "Option1"}), settingsChecks);
        QCOMPARE(checks(&w.main, {"Check1", "Check2", "Check3"}), mainChecks);
        QCOMPARE(get(&w.main, "Text3")->isVisibleTo(&w.main), mainChecks[0] == u'1');
        QCOMPARE(text(settings, "Text2") + text(settings, "Text3") + text(settings, "Text4"),
                 u"190yes! so bad"_s);
    }

    // The main window stays usable, and a second click fills the same window again.
    void windowIsNotModal()
    {
        TestFolder folder;
        Windows w(folder);
        Form2* settings = w.open();
        QVERIFY(settings->isVisible() && settings->isWindow() && !settings->isModal());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(get(&w.main, "Command9")->isEnabled());
        w.fill();
        click(&w.main, "Command8");
        QCOMPARE(w.state()[1], QString());

        click(settings, "Option2");
        get<QLineEdit>(settings, "Text2")->setText(u"abc"_s);
        get<QLineEdit>(&w.main, "Text5")->setText(u"status"_s);
        QCOMPARE(w.open(), settings);
        QCOMPARE(text(settings, "Text2"), u"180"_s);
        // The stored E-J differs from the user's choice, so Option1's action ran again.
        QCOMPARE(checks(settings, {"Option1"}) + checks(&w.main, {"Check1", "Check2"}), u"110"_s);
        QCOMPARE(text(&w.main, "Text5"), QString());
    }

    // Option2 acts on the main window at once; leaving without saving keeps that and stores
    // nothing.
    void leavingWithoutSaving_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("Command2") << false;
        QTest::newRow("close box") << true;
    }
    void leavingWithoutSaving()
    {
        QFETCH(bool, byCloseBox);
        TestFolder folder;
        const QStringList stored = folder.rows(kOptionRows);
        Windows w(folder);
        Form2* settings = w.open();
        click(settings, "Option2");
        QCOMPARE(checks(settings, {"Check1", "Check2"}), u"01"_s);
        get<QLineEdit>(settings, "Text3")->setText(u"great"_s);
        if (byCloseBox)
            settings->close();
        else
            click(settings, "Command2");
        QVERIFY(!w.settings());
        QCOMPARE(w.state()[0].left(2) + w.state()[5], u"0101"_s);
        QCOMPARE(w.main.currentTitleMode(), TitleMode::EJ);
        QCOMPARE(folder.rows(kOptionRows), stored);
        QVERIFY(w.open());
    }

    // A speed that fails either test leaves everything as it was, the window open.
    void speedIsChecked_data()
    {
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QString>("notice"); // empty when the save goes through
        for (const QString& speed : {u"160"_s, u"200"_s, u"170.5"_s, u" 180 "_s, u"1.9E+2"_s})
            QTest::addRow("%s", qPrintable(speed)) << speed << QString();
        for (const QString& speed : {u"159"_s, u"201"_s, u"200.01"_s, u"1e999"_s})
            QTest::addRow("%s", qPrintable(speed)) << speed << OptionTexts::speedOutOfRange;
        QTest::newRow("letters") << u"fast"_s << OptionTexts::speedNotNumeric;
        QTest::newRow("empty") << QString() << OptionTexts::speedNotNumeric;
    }
    void speedIsChecked()
    {
        QFETCH(QString, speed);
        QFETCH(QString, notice);
        TestFolder folder;
        Windows w(folder);
        Form2* settings = w.open();
        get<QLineEdit>(settings, "Text2")->setText(speed);
        get<QLineEdit>(settings, "Text4")->setText(u" oh no "_s);
        click(settings, "Check3");
        w.fill();
        const QStringList stored = folder.rows(kOptionRows);
        const QStringList shown = w.state();

        click(settings, "Command3");
        if (notice.isEmpty()) {
            QVERIFY(w.dialogs.shown.isEmpty());
            QVERIFY(!w.settings());
            const QStringList rows = folder.rows(kOptionRows);
            QVERIFY(rows.contains(u"Speed="_s + speed) && rows.contains(u"Speak_sw=0"_s) &&
                    rows.contains(u"Anser_false= oh no "_s));
            QCOMPARE(text(&w.main, "Text5"), OptionTexts::saved);
        } else {
            QCOMPARE(w.dialogs.shown, QStringList{u"tell:"_s + notice});
            QCOMPARE(w.settings(), settings);
            QVERIFY(get(settings, "Command3")->isEnabled());
            QCOMPARE(text(settings, "Text2") + checks(settings, {"Check3"}), speed + u"0"_s);
            QCOMPARE(folder.rows(kOptionRows), stored);
            QCOMPARE(w.state(), shown);
        }
    }

    void savingJEBringsTheMainWindowInLine()
    {
        TestFolder folder;
        Windows w(folder);
        Form2* settings = w.open();
        click(settings, "Option2");
        click(settings, "Check1"); // the English text shown as well
        get<QLineEdit>(settings, "Text3")->setText(u"  well done "_s);
        w.fill();
        // The main window's Check1 follows during the writes; Command3 must be off by then.
        bool saveEnabledDuringWrites = true;
        connect(get<QCheckBox>(&w.main, "Check1"), &QCheckBox::toggled, settings,
                [&] { saveEnabledDuringWrites = get(settings, "Command3")->isEnabled(); });

        click(settings, "Command3");
        QVERIFY(!saveEnabledDuringWrites);
        QVERIFY(!w.settings());
        QCOMPARE(
            folder.rows(kOptionRows),
            (QStringList{u"English=1"_s, u"Japanese=1"_s, u"Speed=180"_s, u"Speak_sw=1"_s,
                         u"Title_sw=2"_s, u"Anser_true=  well done "_s, u"Anser_false=so bad"_s}));
        QCOMPARE(w.state(), (QStringList{u"111"_s, QString(), OptionTexts::saved,
                                         u"解答欄（英語）J-E"_s, u"0"_s, u"11"_s}));
        QCOMPARE(imeModeOf(get(&w.main, "Text2")), ImeMode::Disabled);
    }

    // Every write fails; the main window follows all the same, and the user is told.
    void saveWithoutTheFile()
    {
        TestFolder folder;
        Windows w(folder);
        Form2* settings = w.open();
        click(settings, "Option2");
        click(settings, "Check3");
        w.fill();
        QVERIFY(QFile::remove(folder.file()));

        click(settings, "Command3");
        QVERIFY(!w.settings());
        QVERIFY(!QFile::exists(folder.file()));
        QCOMPARE(w.state(), (QStringList{u"010"_s, QString(), OptionTexts::saveFailed,
                                         u"解答欄（英語）J-E"_s, u"0"_s, u"01"_s}));
        QVERIFY(w.dialogs.shown.isEmpty());
    }

    void numericTest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        for (const char16_t* text : {u"180", u"  180  ", u"+180", u"-5", u"170.5", u".5", u"180.",
                                     u"1e2", u"1.8E+2", u"18e-1"})
            QTest::addRow("%s", qPrintable(QString::fromUtf16(text)))
                << QString::fromUtf16(text) << true;
        for (const char16_t* text :
             {u"",      u"   ", u".",      u"+",     u"-.",        u"e5",   u"1e",   u"1e+",
              u"1.2.3", u"--1", u"1 80",   u"1,800", u"$180",      u"¥180", u"0x1F", u"&H1F",
              u"inf",   u"nan", u"１８０", u"\t180", u"180\u3000", u"180km"})
            QTest::addRow("%s", qPrintable(QString::fromUtf16(text)))
                << QString::fromUtf16(text) << false;
    }
    void numericTest()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(isNumeric(text), numeric);
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
