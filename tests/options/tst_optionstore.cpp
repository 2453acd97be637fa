#include "OptionStore.h"
#include "TestFolder.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Option)

namespace {

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

class TestOptionStore : public QObject {
    Q_OBJECT

private slots:
    // A missing file gives each option's fallback, and is not made; a new file holds the
    // starting values.
    void readAll_data()
    {
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QString>("values");
        QTest::newRow("missing file") << true << u"0 0 180 0 1 good so bad"_s;
        QTest::newRow("new file") << false << u"1 1 180 1 1 good so bad"_s;
    }
    void readAll()
    {
        QFETCH(bool, missing);
        QFETCH(QString, values);
        TestFolder folder;
        if (missing)
            QFile::remove(folder.file());
        const OptionStore options(folder.path());
        QStringList read;
        for (const OptionInfo& info : kOptions)
            read << options.ReadOption(info.option);
        QCOMPARE(read.join(u' '), values);
        QCOMPARE(openFileCount(), 0);
        QCOMPARE(QFile::exists(folder.file()), !missing);
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
        row("flag: 0 then trailing space", Option::English, {u"0 "_s}, u"1"_s);
        row("flag: 2", Option::Japanese, {u"2"_s}, u"1"_s);
        row("flag: Null", Option::Japanese, {kNull}, u"1"_s);
        row("flag: no row", Option::English, {}, u""_s);
        row("value: leading spaces", Option::Speed, {u"  180"_s}, u"180"_s);
        row("value: spaces only", Option::Speed, {u"   "_s}, u"180"_s);
        row("value: Null fails", Option::Speed, {kNull}, u"180"_s);
        row("value: no row", Option::Speed, {}, u""_s);
        row("value: Speak_sw empty", Option::Speak_sw, {u""_s}, u"0"_s);
        row("preset: Title_sw empty", Option::Title_sw, {u""_s}, u"1"_s);
        row("preset: Title_sw 2", Option::Title_sw, {u"2"_s}, u"2"_s);
        row("preset: Title_sw no row", Option::Title_sw, {}, u"1"_s);
        row("preset: Null keeps the default", Option::Anser_true, {kNull}, u"good"_s);
        row("preset: trailing spaces kept", Option::Anser_true, {u"  well done  "_s},
            u"well done  "_s);
        row("preset: last non-empty row", Option::Anser_false, {u"no"_s, u""_s}, u"no"_s);
        row("preset: last row wins", Option::Anser_false, {u"no"_s, u"wrong"_s}, u"wrong"_s);
        row("flag: last row wins", Option::English, {u"0"_s, u"1"_s}, u"1"_s);
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
    void write_data()
    {
        QTest::addColumn<QStringList>("stored"); // Speed rows
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("written");
        const QStringList none;
        QTest::newRow("first row")
            << QStringList{u"170"_s, u"175"_s} << 0 << QStringList{u"  nice one "_s, u"175"_s};
        QTest::newRow("no row") << none << 0 << none;
        QTest::newRow("missing file") << none << 1 << none; // the file removed first
    }
    void write()
    {
        QFETCH(QStringList, stored);
        QFETCH(int, result);
        QFETCH(QStringList, written);
        TestFolder folder;
        const QString others = u"SELECT * FROM オプション WHERE Option_Name <> 'Speed'"_s;
        const QStringList before = folder.rows(others);
        store(folder, Option::Speed, stored);
        if (result == 1)
            QFile::remove(folder.file());
        QCOMPARE(OptionStore(folder.path()).WriteOption(Option::Speed, u"  nice one "_s), result);
        QCOMPARE(openFileCount(), 0);
        QCOMPARE(QFile::exists(folder.file()), result == 0);
        if (result == 0) {
            QCOMPARE(folder.rows(u"SELECT Option_Value FROM オプション WHERE Option_Name = "
                                 "'Speed' ORDER BY rowid"_s),
                     written);
            QCOMPARE(folder.rows(others), before);
        }
    }
};

QTEST_GUILESS_MAIN(TestOptionStore)
#include "tst_optionstore.moc"
