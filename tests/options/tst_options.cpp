#include "OptionTexts.h"
#include "TestWindow.h"
#include "UiTexts.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

const QString kOptionRows =
    u"SELECT Option_Name || '=' || Option_Value FROM オプション ORDER BY rowid"_s;

// What the settings window may change on the main window.
QStringList mainState(TestWindow& w)
{
    return {checks(&w.form, {"Check1", "Check2", "Check3"}),
            w.text("Text1") + w.text("Text2") + w.text("Text4"),
            w.text("Text5"),
            w.text("Label1") + w.text("Label2"),
            w.items("List1").join(u' '),
            QString::number(w.shown("Text3")) + QString::number(w.shown("Text6"))};
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    // The window shows the store, not the main window's unsaved changes. Stored values are
    // read without their leading spaces; flags are 0 or 1; a Null speed fails the read, which
    // gives the default, as does an empty phrase.
    void openingFillsFromTheStore()
    {
        TestFolder folder;
        folder.setOption(u"English"_s, u" 0"_s);
        folder.setOption(u"Title_sw"_s, u"2"_s);
        folder.setOption(u"Speak_sw"_s, u" 1 "_s);
        folder.setOption(u"Anser_true"_s, u" yes! "_s);
        folder.setOption(u"Anser_false"_s, QString());
        folder.exec(u"UPDATE オプション SET Option_Value = NULL WHERE Option_Name = 'Japanese';"
                    "INSERT INTO オプション VALUES ('Speed', NULL), ('Speed', '190')"_s);
        TestWindow w(folder);
        w.click("Check2");
        w.click("Check3");
        Form2* settings = w.openSettings();
        QCOMPARE(checks(settings, {"Check1", "Check2", "Check3", "Option1"}), u"0110"_s);
        QCOMPARE(checks(&w.form, {"Check1", "Check2", "Check3"}), u"000"_s);
        QCOMPARE(textOf(settings, "Text2") + textOf(settings, "Text3") + textOf(settings, "Text4"),
                 u"180yes! so bad"_s);
    }

    // The main window stays usable, and a second click fills the same window again; under E-J
    // its Option1 action overrides the two show boxes in both windows. Option2 acts on the
    // main window at once; leaving without saving keeps that and stores nothing.
    void windowIsNotModal()
    {
        TestFolder folder;
        const QStringList stored = folder.rows(kOptionRows);
        TestWindow w(folder);
        Form2* settings = w.openSettings();
        QVERIFY(settings->isVisible() && settings->isWindow() && !settings->isModal());

        clickOn(settings, "Option2");
        child<QLineEdit>(settings, "Text2")->setText(u"abc"_s);
        QCOMPARE(w.openSettings(), settings);
        QCOMPARE(textOf(settings, "Text2"), u"180"_s);
        // The stored E-J differs from the user's choice, so Option1's action ran again.
        QCOMPARE(checks(settings, {"Option1"}) + checks(&w.form, {"Check1", "Check2"}), u"110"_s);

        clickOn(settings, "Option2");
        QCOMPARE(checks(settings, {"Check1", "Check2"}), u"01"_s);
        child<QLineEdit>(settings, "Text3")->setText(u"great"_s);
        clickOn(settings, "Command2");
        QVERIFY(!w.settings());
        QCOMPARE(checks(&w.form, {"Check1", "Check2"}), u"01"_s);
        QCOMPARE(w.form.currentTitleMode(), TitleMode::EJ);
        QCOMPARE(folder.rows(kOptionRows), stored);
        QVERIFY(w.openSettings());
    }

    // A speed that fails either test leaves everything as it was, the window open. Saving
    // brings the main window in line, even when every write fails for want of the file; the
    // user is told which it was, after the main window's boxes were emptied.
    void save_data()
    {
        QTest::addColumn<QString>("speed");
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QString>("notice"); // empty when the save goes through
        QTest::newRow("160") << u"160"_s << false << QString();
        QTest::newRow("200") << u"200"_s << false << QString();
        QTest::newRow("without the file") << u"180"_s << true << QString();
        QTest::newRow("159") << u"159"_s << false << OptionTexts::speedOutOfRange;
        QTest::newRow("200.01") << u"200.01"_s << false << OptionTexts::speedOutOfRange;
        QTest::newRow("letters") << u"fast"_s << false << OptionTexts::speedNotNumeric;
    }
    void save()
    {
        QFETCH(QString, speed);
        QFETCH(bool, missing);
        QFETCH(QString, notice);
        TestFolder folder;
        TestWindow w(folder);
        Form2* settings = w.openSettings();
        clickOn(settings, "Option2");
        clickOn(settings, "Check1"); // the English text shown as well
        clickOn(settings, "Check3");
        child<QLineEdit>(settings, "Text2")->setText(speed);
        child<QLineEdit>(settings, "Text3")->setText(u"  well done "_s);
        child<QLineEdit>(settings, "Text4")->setText(u" oh no "_s);
        for (const char* box : {"Text1", "Text2", "Text4"})
            w.setText(box, u"x"_s);
        w.get<TitleList>("List1")->addItems({u"a"_s});
        const QStringList stored = folder.rows(kOptionRows);
        if (missing)
            QVERIFY(QFile::remove(folder.file()));
        const QStringList shown = mainState(w);

        clickOn(settings, "Command3");
        if (!notice.isEmpty()) {
            QCOMPARE(w.dialogs.shown, QStringList{u"tell:"_s + notice});
            QCOMPARE(w.settings(), settings);
            QCOMPARE(textOf(settings, "Text2") + checks(settings, {"Check1", "Check3"}),
                     speed + u"10"_s);
            QCOMPARE(folder.rows(kOptionRows), stored);
            QCOMPARE(mainState(w), shown);
            return;
        }
        QVERIFY(!w.settings());
        QVERIFY(w.dialogs.shown.isEmpty());
        QCOMPARE(QFile::exists(folder.file()), !missing);
        if (!missing)
            QCOMPARE(folder.rows(kOptionRows),
                     (QStringList{u"English=1"_s, u"Japanese=1"_s, u"Speed="_s + speed,
                                  u"Speak_sw=0"_s, u"Title_sw=2"_s, u"Anser_true=  well done "_s,
                                  u"Anser_false= oh no "_s}));
        QCOMPARE(mainState(w),
                 (QStringList{u"110"_s, QString(),
                              missing ? OptionTexts::saveFailed : OptionTexts::saved,
                              UiTexts::answerInEnglish + u"J-E"_s, QString(), u"11"_s}));
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
