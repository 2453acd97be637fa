#include "DatabasePath.h"
#include "TestFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestDatabasePath : public QObject {
    Q_OBJECT

private slots:
    // The template, installed read-only, is copied only into a data folder that does not
    // exist yet; the copy is the user's to edit. An existing file is never replaced.
    void rule_data()
    {
        QTest::addColumn<QString>("setUp");    // what is there before: words of the cases below
        QTest::addColumn<QString>("expected"); // the folder of the file the rule yields
        QTest::addColumn<bool>("dataFolderAfter");
        QTest::addColumn<bool>("dataFileAfter");
        const QString home = u"home/wordlark"_s;
        QTest::newRow("portable file wins") << u"portable data-file"_s << u"bin"_s << true << true;
        QTest::newRow("first start copies") << QString() << home << true << true;
        QTest::newRow("user's own file") << u"data-file"_s << home << true << true;
        QTest::newRow("folder without file") << u"data-folder"_s << home << true << false;
        QTest::newRow("template missing") << u"no-template"_s << home << false << false;
        QTest::newRow("data folder can't be made") << u"blocked"_s << home << false << false;
    }
    void rule()
    {
        QFETCH(QString, setUp);
        QFETCH(QString, expected);
        QFETCH(bool, dataFolderAfter);
        QFETCH(bool, dataFileAfter);
        QTemporaryDir root;
        const TestFolder bookTemplate;
        QFile::setPermissions(bookTemplate.file(), QFileDevice::ReadOwner | QFileDevice::ReadOther);
        const QString program = root.filePath(u"bin"_s), data = root.filePath(u"home/wordlark"_s);
        const QString dataFile = data + u"/wordlark.mdb"_s;
        QVERIFY(QDir().mkpath(program));
        if (setUp.contains(u"portable"_s))
            QVERIFY(createPhraseBook(program + u"/wordlark.mdb"_s, PhraseBookContents::Options)
                        .isEmpty());
        if (setUp.contains(u"data-"_s))
            QVERIFY(QDir().mkpath(data));
        // Without option rows, so that a replacement by the template would show.
        if (setUp.contains(u"data-file"_s))
            QVERIFY(createPhraseBook(dataFile, PhraseBookContents::TablesOnly).isEmpty());
        if (setUp.contains(u"no-template"_s))
            QVERIFY(QFile::remove(bookTemplate.file()));
        // A plain file where the data folder's parent should be: not even root can make it.
        if (setUp.contains(u"blocked"_s))
            QVERIFY(QFile(root.filePath(u"home"_s)).open(QIODevice::WriteOnly));

        QCOMPARE(DatabasePath(BookPlaces(program, data, bookTemplate.file())),
                 root.filePath(expected + u"/wordlark.mdb"_s));
        QCOMPARE(QFileInfo(data).isDir(), dataFolderAfter);
        QCOMPARE(QDir(data).entryList(QDir::Files | QDir::Hidden),
                 dataFileAfter ? QStringList{u"wordlark.mdb"_s} : QStringList());
        if (dataFileAfter) {
            QVERIFY(QFileInfo(dataFile).permissions() & QFileDevice::WriteOwner);
            QCOMPARE(rowsOf(dataFile, u"SELECT * FROM オプション"_s).isEmpty(),
                     setUp.contains(u"data-file"_s));
        }
    }
};

QTEST_GUILESS_MAIN(TestDatabasePath)
#include "tst_databasepath.moc"
