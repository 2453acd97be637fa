#include "OptionStore.h"
#include "OptionTexts.h"
#include "TestWindow.h"
#include "UiTexts.h"

#include <QFile>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Option)

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

const QString kNull = u"<null>"_s;

// Replaces the option's rows by one row for each value, kNull storing a Null.
void store(const TestFolder& folder, Option option, const QStringList& values)
{
    const QString name = QLatin1String(infoOf(option).name);
    folder.exec(u"DELETE FROM オプション WHERE Option_Name = '%1'"_s.arg(name));
    for (const QString& value : values)
        folder.exec(u"INSERT INTO オプション VALUES ('%1', %2)"_s.arg(
            name, value == kNull ? u"NULL"_s : u"'"_s + value + u"'"_s));
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

private slots:
    // The window shows the store, not the main window's unsaved changes.
    void openingFillsFromTheStore()
    {
        TestFolder folder;
        folder.setOption(u"English"_s, u"0"_s);
        folder.setOption(u"Title_sw"_s, u"2"_s);
        folder.setOption(u"Speak_sw"_s, u" 1 "_s);
        folder.setOption(u"Speed"_s, u"190"_s);
        folder.setOption(u"Anser_true"_s, u" yes! "_s);
        TestWindow w(folder);
        w.click("Check2");
        w.click("Check3");
        Form2* settings = w.openSettings();
        QCOMPARE(checks(settings, {"Check1", "Check2", "Check3", "Option1"}), u"0110"_s);
        QCOMPARE(checks(&w.form, {"Check1", "Check2", "Check3"}), u"000"_s);
        QCOMPARE(textOf(settings, "Text2") + textOf(settings, "Text3") + textOf(settings, "Text4"),
                 u"190yes! so bad"_s);
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
        QVERIFY(w.get<QWidget>("Command9")->isEnabled());

        clickOn(settings, "Option2");
        child<QLineEdit>(settings, "Text2")->setText(u"abc"_s);
        w.setText("Text5", u"status"_s);
        QCOMPARE(w.openSettings(), settings);
        QCOMPARE(textOf(settings, "Text2"), u"180"_s);
        // The stored E-J differs from the user's choice, so Option1's action ran again.
        QCOMPARE(checks(settings, {"Option1"}) + checks(&w.form, {"Check1", "Check2"}), u"110"_s);
        QCOMPARE(w.text("Text5"), QString());

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

    // A new file holds the starting values; a missing file gives each option's fallback, and
    // is not made.
    void readAll()
    {
        TestFolder folder;
        const OptionStore options(folder.path());
        const auto readAll = [&] {
            QStringList read;
            for (const OptionInfo& info : kOptions)
                read << options.ReadOption(info.option);
            return read.join(u' ');
        };
        QCOMPARE(readAll(), u"1 1 180 1 1 good so bad"_s);
        QVERIFY(QFile::remove(folder.file()));
        QCOMPARE(readAll(), u"0 0 180 0 1 good so bad"_s);
        QVERIFY(!QFile::exists(folder.file()));
        QCOMPARE(openFileCount(), 0);
    }

    // Each family's rule, rows in the order the query returns them.
    void readRules_data()
    {
        QTest::addColumn<Option>("option");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, Option option, QStringList stored, QString expected) {
            QTest::newRow(name) << option << stored << expected;
        };
        row("flag: leading space then 0", Option::English, {u" 0"_s}, u"0"_s);
        row("flag: Null", Option::Japanese, {kNull}, u"1"_s);
        row("flag: no row", Option::English, {}, u""_s);
        row("value: spaces only", Option::Speed, {u"   "_s}, u"180"_s);
        row("value: Null fails", Option::Speed, {kNull}, u"180"_s);
        row("preset: Title_sw empty", Option::Title_sw, {u""_s}, u"1"_s);
        row("preset: no row", Option::Anser_true, {}, u"good"_s);
        row("preset: Null keeps the default", Option::Anser_true, {kNull}, u"good"_s);
        row("preset: trailing spaces kept", Option::Anser_true, {u"  well done  "_s},
            u"well done  "_s);
        row("preset: last row wins", Option::Anser_false, {u"no"_s, u"wrong"_s}, u"wrong"_s);
    }
    void readRules()
    {
        QFETCH(Option, option);
        QFETCH(QStringList, stored);
        QFETCH(QString, expected);
        TestFolder folder;
        store(folder, option, stored);
        QCOMPARE(OptionStore(folder.path()).ReadOption(option), expected);
    }

    // The text goes unchanged into the first row of its name; without a row nothing changes;
    // without the file the write fails and makes none.
    void write()
    {
        TestFolder folder;
        store(folder, Option::Speed, {u"170"_s, u"175"_s});
        const QString speedRows =
            u"SELECT Option_Value FROM オプション WHERE Option_Name = 'Speed' ORDER BY rowid"_s;
        const QString others = u"SELECT * FROM オプション WHERE Option_Name <> 'Speed'"_s;
        const QStringList before = folder.rows(others);
        const OptionStore options(folder.path());
        QCOMPARE(options.WriteOption(Option::Speed, u"  nice one "_s), 0);
        QCOMPARE(folder.rows(speedRows), (QStringList{u"  nice one "_s, u"175"_s}));
        QCOMPARE(folder.rows(others), before);
        store(folder, Option::Speed, {});
        QCOMPARE(options.WriteOption(Option::Speed, u"x"_s), 0);
        QCOMPARE(folder.rows(speedRows), QStringList());
        QVERIFY(QFile::remove(folder.file()));
        QCOMPARE(options.WriteOption(Option::Speed, u"x"_s), 1);
        QVERIFY(!QFile::exists(folder.file()));
        QCOMPARE(openFileCount(), 0);
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
