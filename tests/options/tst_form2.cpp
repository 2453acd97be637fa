#include "OptionTexts.h"
#include "OptionValues.h"
#include "TestWindow.h"
#include "UiTexts.h"

#include <QApplication>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

const QString kOptionRows =
    u"SELECT Option_Name || '=' || Option_Value FROM オプション ORDER BY rowid"_s;

// The main window with its settings window.
struct Windows : TestWindow {
    using TestWindow::TestWindow;

    // Something in every field a save empties.
    void fill()
    {
        for (const char* box : {"Text1", "Text2", "Text4"})
            setText(box, u"x"_s);
        get<TitleList>("List1")->addItems({u"a"_s, u"b"_s});
    }
    // What the settings window may change on the main window.
    QStringList state()
    {
        return {checks(&form, {"Check1", "Check2", "Check3"}),
                text("Text1") + text("Text2") + text("Text4"),
                text("Text5"),
                text("Label1") + text("Label2"),
                QString::number(get<TitleList>("List1")->count()),
                QString::number(shown("Text3")) + QString::number(shown("Text6"))};
    }
};

} // namespace

class TestForm2 : public QObject {
    Q_OBJECT

private slots:
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
        folder.setOption(u"English"_s, u"0"_s);
        folder.setOption(u"Title_sw"_s, titleSw);
        folder.setOption(u"Speak_sw"_s, speakSw);
        folder.setOption(u"Speed"_s, u"190"_s);
        folder.setOption(u"Anser_true"_s, u" yes! "_s);
        Windows w(folder);
        w.click("Check2"); // unsaved changes, which the settings window doesn't show
        w.click("Check3");
        Form2* settings = w.openSettings();
        QCOMPARE(checks(settings, {"Check1", "Check2", "Check3", "Option1"}), settingsChecks);
        QCOMPARE(checks(&w.form, {"Check1", "Check2", "Check3"}), mainChecks);
        QCOMPARE(w.shown("Text3"), mainChecks[0] == u'1');
        QCOMPARE(textOf(settings, "Text2") + textOf(settings, "Text3") + textOf(settings, "Text4"),
                 u"190yes! so bad"_s);
    }

    // The main window stays usable, and a second click fills the same window again. Option2
    // acts on the main window at once; leaving without saving keeps that and stores nothing.
    void windowIsNotModal_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("Command2") << false;
        QTest::newRow("close box") << true;
    }
    void windowIsNotModal()
    {
        QFETCH(bool, byCloseBox);
        TestFolder folder;
        const QStringList stored = folder.rows(kOptionRows);
        Windows w(folder);
        Form2* settings = w.openSettings();
        QVERIFY(settings->isVisible() && settings->isWindow() && !settings->isModal());
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(w.get<QWidget>("Command9")->isEnabled());
        w.fill();
        w.click("Command8");
        QCOMPARE(w.state()[1], QString());

        clickOn(settings, "Option2");
        child<QLineEdit>(settings, "Text2")->setText(u"abc"_s);
        w.get<QLineEdit>("Text5")->setText(u"status"_s);
        QCOMPARE(w.openSettings(), settings);
        QCOMPARE(textOf(settings, "Text2"), u"180"_s);
        // The stored E-J differs from the user's choice, so Option1's action ran again.
        QCOMPARE(checks(settings, {"Option1"}) + checks(&w.form, {"Check1", "Check2"}), u"110"_s);
        QCOMPARE(w.text("Text5"), QString());

        clickOn(settings, "Option2");
        QCOMPARE(checks(settings, {"Check1", "Check2"}), u"01"_s);
        child<QLineEdit>(settings, "Text3")->setText(u"great"_s);
        if (byCloseBox)
            settings->close();
        else
            clickOn(settings, "Command2");
        QVERIFY(!w.settings());
        QCOMPARE(w.state()[0].left(2) + w.state()[5], u"0101"_s);
        QCOMPARE(w.form.currentTitleMode(), TitleMode::EJ);
        QCOMPARE(folder.rows(kOptionRows), stored);
        QVERIFY(w.openSettings());
    }

    // A speed that fails either test leaves everything as it was, the window open. Saving
    // brings the main window in line, even when every write fails for want of the file; the
    // user is told which it was.
    void save_data()
    {
        QTest::addColumn<QString>("speed");
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QString>("notice"); // empty when the save goes through
        for (const QString& speed : {u"160"_s, u"200"_s, u"170.5"_s, u" 180 "_s, u"1.9E+2"_s})
            QTest::addRow("%s", qPrintable(speed)) << speed << false << QString();
        QTest::newRow("without the file") << u"180"_s << true << QString();
        for (const QString& speed : {u"159"_s, u"200.01"_s})
            QTest::addRow("%s", qPrintable(speed))
                << speed << false << OptionTexts::speedOutOfRange;
        QTest::newRow("letters") << u"fast"_s << false << OptionTexts::speedNotNumeric;
        QTest::newRow("empty") << QString() << false << OptionTexts::speedNotNumeric;
    }
    void save()
    {
        QFETCH(QString, speed);
        QFETCH(bool, missing);
        QFETCH(QString, notice);
        TestFolder folder;
        Windows w(folder);
        Form2* settings = w.openSettings();
        clickOn(settings, "Option2");
        clickOn(settings, "Check1"); // the English text shown as well
        clickOn(settings, "Check3");
        child<QLineEdit>(settings, "Text2")->setText(speed);
        child<QLineEdit>(settings, "Text3")->setText(u"  well done "_s);
        child<QLineEdit>(settings, "Text4")->setText(u" oh no "_s);
        w.fill();
        const QStringList stored = folder.rows(kOptionRows);
        if (missing)
            QVERIFY(QFile::remove(folder.file()));
        const QStringList shown = w.state();
        // The main window's Check1 follows during the writes; Command3 must be off by then.
        bool saveEnabledDuringWrites = true;
        connect(w.get<QCheckBox>("Check1"), &QCheckBox::toggled, settings,
                [&] { saveEnabledDuringWrites = child(settings, "Command3")->isEnabled(); });

        clickOn(settings, "Command3");
        if (!notice.isEmpty()) {
            QCOMPARE(w.dialogs.shown, QStringList{u"tell:"_s + notice});
            QCOMPARE(w.settings(), settings);
            QVERIFY(child(settings, "Command3")->isEnabled());
            QCOMPARE(textOf(settings, "Text2") + checks(settings, {"Check1", "Check3"}),
                     speed + u"10"_s);
            QCOMPARE(folder.rows(kOptionRows), stored);
            QCOMPARE(w.state(), shown);
            return;
        }
        QVERIFY(!saveEnabledDuringWrites);
        QVERIFY(!w.settings());
        QVERIFY(w.dialogs.shown.isEmpty());
        QCOMPARE(QFile::exists(folder.file()), !missing);
        if (!missing)
            QCOMPARE(folder.rows(kOptionRows),
                     (QStringList{u"English=1"_s, u"Japanese=1"_s, u"Speed="_s + speed,
                                  u"Speak_sw=0"_s, u"Title_sw=2"_s, u"Anser_true=  well done "_s,
                                  u"Anser_false= oh no "_s}));
        QCOMPARE(w.state(), (QStringList{u"110"_s, QString(),
                                         missing ? OptionTexts::saveFailed : OptionTexts::saved,
                                         UiTexts::answerInEnglish + u"J-E"_s, u"0"_s, u"11"_s}));
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
