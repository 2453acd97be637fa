// What each operation saved must survive the program being killed, and no file but
// wordlark.mdb may stay next to the phrase book.

#include "OptionStore.h"
#include "PhraseBook.h"
#include "StoreWidgets.h"
#include "TestFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// Fills category name with count titles.
void addTitles(const TestFolder& folder, const QString& name, int count)
{
    folder.exec(u"INSERT INTO カテゴリ VALUES ('%1');"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                "INSERT INTO タイトル SELECT '%1 title ' || i, '%1 題 ' || i, 'Sentence.', "
                "'文。', '%1' FROM n"_s.arg(name)
                    .arg(count));
}

QStringList entries(const TestFolder& folder)
{
    return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The child: deletes a category's titles, says so, and is killed before anything else runs.
int deleteThenDie(char** argv)
{
    StoreWidgets c;
    PhraseBook book(QString::fromLocal8Bit(argv[2]), c.view());
    c.combo.setEditText(QString::fromLocal8Bit(argv[3]));
    const EditOutcome outcome = book.DeleteCategoryTitles(TitleMode::EJ);
    std::printf("%s\n", outcome == EditOutcome::Done ? "deleted" : "failed");
    std::fflush(stdout);
    std::raise(SIGKILL);
    return 1;
}

} // namespace

class TestDurability : public QObject {
    Q_OBJECT

private slots:
    void deletionsSurviveAKillRightAfter_data()
    {
        QTest::addColumn<int>("titles");
        QTest::newRow("one") << 1;
        QTest::newRow("many") << 1500;
    }
    void deletionsSurviveAKillRightAfter()
    {
        QFETCH(int, titles);
        TestFolder folder;
        addTitles(folder, u"big"_s, titles);
        addTitles(folder, u"other"_s, 3);

        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--delete-then-die"_s, folder.path(), u"big"_s});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(child.readAllStandardOutput(), QByteArray("deleted\n"));

        QCOMPARE(entries(folder), QStringList{u"wordlark.mdb"_s});
        QCOMPARE(folder.rows(u"SELECT カテゴリ名, COUNT(*) FROM タイトル GROUP BY 1"_s),
                 QStringList{u"other|3"_s});
        QCOMPARE(folder.rows(u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
    }

    void onlyTheFileStays_data()
    {
        QTest::addColumn<int>("step");
        const char* names[] = {"ListCategories", "ListTitles",  "FilterTitles",
                               "LoadTitle",      "AddCategory", "AddTitle",
                               "UpdateTitle",    "DeleteTitle", "DeleteCategoryTitles",
                               "DeleteCategory", "ReadOption",  "WriteOption",
                               "duplicate key"};
        for (int i = 0; i < int(std::size(names)); ++i)
            QTest::newRow(names[i]) << i;
    }
    void onlyTheFileStays()
    {
        QFETCH(int, step);
        TestFolder folder;
        addTitles(folder, u"c"_s, 40);
        StoreWidgets c;
        PhraseBook book(folder.path(), c.view());
        const OptionStore options(folder.path());
        c.combo.setEditText(u"c"_s);
        c.title.setText(u"c title 7"_s);
        c.list.addItems({u"c title 7"_s});
        c.list.setCurrentRow(0);
        const auto other = [](const QString&) { return u"新しい題"_s; };
        switch (step) {
        case 0:
            book.ListCategories();
            break;
        case 1:
            book.ListTitles(TitleMode::EJ);
            break;
        case 2:
            book.FilterTitles(TitleMode::JE);
            break;
        case 3:
            book.LoadTitle(TitleMode::EJ);
            break;
        case 4:
            c.combo.setEditText(u"new"_s);
            QCOMPARE(book.AddCategory(), EditOutcome::Done);
            break;
        case 5:
            c.title.setText(u"new title"_s);
            QCOMPARE(book.AddTitle(TitleMode::EJ, other), EditOutcome::Done);
            break;
        case 6:
            QCOMPARE(book.UpdateTitle(TitleMode::EJ), EditOutcome::Done);
            break;
        case 7:
            QCOMPARE(book.DeleteTitle(TitleMode::EJ), EditOutcome::Done);
            break;
        case 8:
            QCOMPARE(book.DeleteCategoryTitles(TitleMode::EJ), EditOutcome::Done);
            break;
        case 9:
            QCOMPARE(book.DeleteCategory(), EditOutcome::Done);
            break;
        case 10:
            QCOMPARE(options.ReadOption(Option::Speed), u"180"_s);
            break;
        case 11:
            QCOMPARE(options.WriteOption(Option::Speed, u"190"_s), 0);
            break;
        case 12:
            QCOMPARE(book.AddCategory(), EditOutcome::Failed);
            break;
        }
        QCOMPARE(entries(folder), QStringList{u"wordlark.mdb"_s});
        QCOMPARE(openFileCount(), 0);
    }

    void walFileIsSwitchedBack()
    {
        // Another tool may leave the file in WAL mode; the program's operations must not then
        // leave a log and its index next to it.
        TestFolder folder;
        addTitles(folder, u"c"_s, 3);
        QCOMPARE(folder.rows(u"PRAGMA journal_mode=WAL"_s), QStringList{u"wal"_s});
        StoreWidgets c;
        PhraseBook book(folder.path(), c.view());
        c.combo.setEditText(u"c"_s);
        c.title.setText(u"c title 2"_s);
        QCOMPARE(book.DeleteTitle(TitleMode::EJ), EditOutcome::Done);
        QCOMPARE(entries(folder), QStringList{u"wordlark.mdb"_s});
        QCOMPARE(folder.rows(u"PRAGMA journal_mode"_s), QStringList{u"delete"_s});
        QCOMPARE(folder.rows(u"SELECT COUNT(*) FROM タイトル"_s), QStringList{u"2"_s});
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--delete-then-die") == 0)
        return deleteThenDie(argv);
    TestDurability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_durability.moc"
