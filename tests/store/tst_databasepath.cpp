#include "DatabasePath.h"
#include "OptionStore.h"
#include "TestFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A program folder, a user's data folder and a template, as the rule sees them.
struct Layout {
    QTemporaryDir root;
    TestFolder templateFolder;
    QString program = root.filePath(u"bin"_s);
    QString data = root.filePath(u"home/wordlark"_s);
    BookPlaces places{program, data, templateFolder.file()};

    Layout()
    {
        QDir().mkpath(program);
        QFile::setPermissions(templateFolder.file(),
                              QFileDevice::ReadOwner | QFileDevice::ReadOther);
    }
};

} // namespace

class TestDatabasePath : public QObject {
    Q_OBJECT

private slots:
    void rule_data()
    {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<QString>("expected"); // the file the rule yields
        QTest::addColumn<bool>("dataFolderAfter");
        QTest::addColumn<bool>("dataFileAfter");
        QTest::newRow("portable file") << u"portable,data-file"_s << u"bin"_s << true << true;
        QTest::newRow("portable file, nothing else")
            << u"portable,no-template"_s << u"bin"_s << false << false;
        QTest::newRow("first start copies") << u""_s << u"home/wordlark"_s << true << true;
        QTest::newRow("user's own file") << u"data-file"_s << u"home/wordlark"_s << true << true;
        QTest::newRow("folder without file")
            << u"data-folder"_s << u"home/wordlark"_s << true << false;
        QTest::newRow("template missing")
            << u"no-template"_s << u"home/wordlark"_s << false << false;
        QTest::newRow("template is a folder")
            << u"template-folder"_s << u"home/wordlark"_s << false << false;
        QTest::newRow("data folder can't be made")
            << u"blocked"_s << u"home/wordlark"_s << false << false;
    }
    void rule()
    {
        QFETCH(QString, setUp);
        QFETCH(QString, expected);
        QFETCH(bool, dataFolderAfter);
        QFETCH(bool, dataFileAfter);
        Layout at;
        const QStringList steps = setUp.split(u',', Qt::SkipEmptyParts);
        if (steps.contains(u"portable"_s))
            QVERIFY(createPhraseBook(at.program + u"/wordlark.mdb"_s, PhraseBookContents::Options)
                        .isEmpty());
        if (steps.contains(u"data-folder"_s) || steps.contains(u"data-file"_s))
            QVERIFY(QDir().mkpath(at.data));
        if (steps.contains(u"data-file"_s))
            QVERIFY(createPhraseBook(at.data + u"/wordlark.mdb"_s, PhraseBookContents::TablesOnly)
                        .isEmpty());
        if (steps.contains(u"no-template"_s))
            QVERIFY(QFile::remove(at.templateFolder.file()));
        if (steps.contains(u"template-folder"_s))
            at.places.templateFile = at.templateFolder.path();
        // A plain file where the data folder's parent should be: not even root can make it.
        if (steps.contains(u"blocked"_s)) {
            QFile blocker(at.root.filePath(u"home"_s));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        const QStringList before =
            steps.contains(u"data-file"_s)
                ? rowsOf(at.data + u"/wordlark.mdb"_s, u"SELECT * FROM オプション"_s)
                : QStringList();

        QCOMPARE(DatabasePath(at.places), at.root.filePath(expected + u"/wordlark.mdb"_s));
        QCOMPARE(QFileInfo(at.data).isDir(), dataFolderAfter);
        QCOMPARE(QFileInfo::exists(at.data + u"/wordlark.mdb"_s), dataFileAfter);
        QCOMPARE(QDir(at.data).entryList(QDir::Files | QDir::Hidden),
                 dataFileAfter ? QStringList{u"wordlark.mdb"_s} : QStringList());
        // A user's file, made by the test as an empty book, is never replaced by the template.
        if (steps.contains(u"data-file"_s))
            QCOMPARE(rowsOf(at.data + u"/wordlark.mdb"_s, u"SELECT * FROM オプション"_s), before);
    }

    // The copy is the user's: writable although the template is not, and the file that every
    // later operation edits, while the template stays as installed.
    void editsLandInTheCopy()
    {
        Layout at;
        const QString copy = at.data + u"/wordlark.mdb"_s;
        const QString options = u"SELECT * FROM オプション ORDER BY rowid"_s;
        const QStringList installed = rowsOf(at.templateFolder.file(), options);
        const OptionStore store(at.places);
        QCOMPARE(store.WriteOption(Option::Speed, u"150"_s), 0);
        QVERIFY(QFileInfo(copy).permissions() & QFileDevice::WriteOwner);
        QCOMPARE(store.WriteOption(Option::Anser_true, u"yes"_s), 0);
        QCOMPARE(store.ReadOption(Option::Speed), u"150"_s);
        QCOMPARE(store.ReadOption(Option::Anser_true), u"yes"_s);
        QCOMPARE(rowsOf(at.templateFolder.file(), options), installed);
        QVERIFY(rowsOf(copy, options) != installed);
    }
};

QTEST_GUILESS_MAIN(TestDatabasePath)
#include "tst_databasepath.moc"
