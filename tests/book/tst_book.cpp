// wordlark-book run in-process on a fresh phrase book: formats, encodings, refusals, duplicate
// policies and a phrase book held by another connection.

#include "BookCommand.h"
#include "TestFolder.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

const QString kAllTitles = u"SELECT カテゴリ名, タイトル名_英語, タイトル名_日本語, 英文, 和訳 "
                           "FROM タイトル ORDER BY タイトル名_英語"_s;
const QByteArray kHeader =
    "category\tEnglish title\tJapanese title\tEnglish sentence\ttranslation\n";

struct Run {
    int status = 0;
    QByteArray out;
    QString err;
};

Run book(const TestFolder& folder, const QStringList& arguments, int busyTimeoutMs = 5000)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    BookEnvironment environment;
    environment.defaultBook = folder.file();
    environment.busyTimeoutMs = busyTimeoutMs;
    const int status = runBookCommand(arguments, out, err, environment);
    return {status, out.data(), QString::fromUtf8(err.data())};
}

QString writeFile(const TestFolder& folder, const QString& name, const QByteArray& bytes)
{
    const QString path = folder.path() + u'/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("can't write %s", qPrintable(path));
    return path;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestBook : public QObject {
    Q_OBJECT

private slots:
    void exportAndBack_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("tsv") << QStringList()
                             << kHeader + "A\tbe\tビー\tB\\tb\\\\\tび\\r\\nび\n"
                                          "a\tCe\t\uFEFFシー\tC\"c,\tし\n"
                                          "\uFEFFb\tae\tエー\t#deck:A\tえ\n";
        QTest::newRow("csv") << QStringList{u"--csv"_s}
                             << QByteArray("\xEF\xBB\xBF"
                                           "category,English title,Japanese title,"
                                           "English sentence,translation\r\n"
                                           "A,be,ビー,B\tb\\,\"び\r\nび\"\r\n"
                                           "a,Ce,\uFEFFシー,\"C\"\"c,\",し\r\n"
                                           "\uFEFFb,ae,エー,#deck:A,え\r\n");
        QTest::newRow("anki") << QStringList{u"--anki"_s}
                              << QByteArray("#separator:tab\n#html:false\n#deck column:3\n"
                                            "\"B\tb\\\"\t\"び\r\nび\"\tA\n"
                                            "\"C\"\"c,\"\tし\ta\n"
                                            "\"#deck:A\"\tえ\t\uFEFFb\n");
        QTest::newRow("one category")
            << QStringList{u"--category"_s, u"a"_s}
            << kHeader + "A\tbe\tビー\tB\\tb\\\\\tび\\r\\nび\na\tCe\t\uFEFFシー\tC\"c,\tし\n";
    }
    // Sorted by category, then English title, both without regard to case; the file written
    // imports into a new book as the same titles (Anki keeps sentence, translation and deck).
    void exportAndBack()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, expected);
        TestFolder folder;
        folder.exec(u"INSERT OR IGNORE INTO カテゴリ VALUES ('A'), ('a'), ('\uFEFFb');"
                    "INSERT INTO タイトル VALUES ('ae', 'エー', '#deck:A', 'え', '\uFEFFb'),"
                    " ('Ce', '\uFEFFシー', 'C\"c,', 'し', 'a'),"
                    " ('be', 'ビー', 'B\tb\\', 'び\r\nび', 'A')"_s);
        QCOMPARE(book(folder, QStringList{u"export"_s} + options).out, expected);
        if (options.contains(u"--category"_s))
            return;
        const QString file = folder.path() + (options.contains(u"--csv"_s) ? u"/o.csv"_s : u"/o"_s);
        QCOMPARE(book(folder, QStringList{u"export"_s, file} + options).status, 0);
        const QString copy = folder.path() + u"/copy.mdb"_s;
        QCOMPARE(book(folder, {u"new"_s, copy}).status, 0);
        QCOMPARE(rowsOf(copy, u"SELECT count(*) FROM オプション"_s), QStringList{u"7"_s});
        const Run run = book(folder, {u"--book"_s, copy, u"import"_s, file});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        // quote() keeps a leading U+FEFF, which reading a column as UTF-16 would drop.
        const QString compared =
            options.contains(u"--anki"_s)
                ? u"SELECT quote(カテゴリ名), quote(英文), quote(和訳) FROM タイトル ORDER BY 2"_s
                : u"SELECT quote(カテゴリ名), quote(タイトル名_英語), quote(タイトル名_日本語), "
                  "quote(英文), quote(和訳) FROM タイトル ORDER BY 3"_s;
        QCOMPARE(rowsOf(copy, compared), folder.rows(compared));
    }

    void import_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("problems"); // by line; any problem means nothing written
        QTest::addColumn<QStringList>("titles");   // rows new or changed
        const QByteArray utf8 = "駅\tstation\t表示①\tThe station.\t駅です。\n";
        // The same line in Shift_JIS as Windows writes it; 表 ends in the byte of a backslash,
        // ① is in CP932 only.
        const QByteArray cp932 = "\x89\x77\tstation\t\x95\x5C\x8E\xA6\x87\x40\tThe station.\t"
                                 "\x89\x77\x82\xC5\x82\xB7\x81\x42\n";
        const QStringList station{u"駅|station|表示①|The station.|駅です。"_s};
        const QString oneAdded = u"categories added: 1, titles added: 1, updated: 0, skipped: 0"_s;
        const QStringList none;
        const QString longText(10000, u'長');
        QTest::newRow("utf-8 bom header")
            << "\xEF\xBB\xBF" + kHeader + utf8 << none << oneAdded << none << station;
        QTest::newRow("cp932 detected") << cp932 << none << oneAdded << none << station;
        QTest::newRow("cp932 named")
            << cp932 << QStringList{u"--encoding"_s, u"cp932"_s} << oneAdded << none << station;
        QTest::newRow("two columns")
            << "English sentence\ttranslation\nIt's late.\t" + longText.toUtf8() + "\n"
            << QStringList{u"--category"_s, u"日常"_s} << oneAdded << none
            << QStringList{u"日常|It’s late.|%1|It's late.|%1"_s.arg(longText)};
        QTest::newRow("anki export")
            << QByteArray("#separator:tab\n#html:true\n#guid column:1\n#notetype column:2\n"
                          "#deck column:3\n#tags column:6\n"
                          "g1\tBasic\tDeck::Sub\t<b>Hi</b>\t\"や\tあ\"\ttag\n")
            << none << oneAdded << none
            << QStringList{u"Deck::Sub|<b>Hi</b>|や\tあ|<b>Hi</b>|や\tあ"_s};
        QTest::newRow("data starting with #")
            << QByteArray("#1: Hi\tやあ\n") << QStringList{u"--category"_s, u"c"_s} << oneAdded
            << none << QStringList{u"c|#1: Hi|やあ|#1: Hi|やあ"_s};
        QTest::newRow("anki without deck")
            << QByteArray("#separator:comma\n#html:false\nYes,はい\n")
            << QStringList{u"--category"_s, u"返事"_s} << oneAdded << none
            << QStringList{u"返事|Yes|はい|Yes|はい"_s};
        // Titles matching one in the book by either title are skipped or overwritten and counted.
        const QByteArray travel = "旅行\tAIRPORT\t空港\tAirport!\tくうこう\n"
                                  "旅行\tGood day\tおはよう\tHello.\tこんにちは\n"
                                  "新\tBus\tバス\tBy bus.\tバスで。\n";
        const QString bus = u"新|Bus|バス|By bus.|バスで。"_s;
        QTest::newRow("skip") << travel << QStringList{u"--on-duplicate"_s, u"skip"_s}
                              << u"categories added: 1, titles added: 1, updated: 0, skipped: 2"_s
                              << none << QStringList{bus};
        QTest::newRow("update") << travel << QStringList{u"--on-duplicate"_s, u"update"_s}
                                << u"categories added: 1, titles added: 1, updated: 2, skipped: 0"_s
                                << none
                                << QStringList{u"旅行|AIRPORT|空港|Airport!|くうこう"_s, bus,
                                               u"旅行|Good day|おはよう|Hello.|こんにちは"_s};
        QTest::newRow("dry run") << travel
                                 << QStringList{u"--on-duplicate"_s, u"update"_s, u"--dry-run"_s}
                                 << u"categories added: 1, titles added: 1, updated: 2, skipped: "
                                    "0 (dry run: nothing written)"_s
                                 << none << none;
        const QByteArray good = "c\tone\t一\tOne.\t一つ。\n";
        QTest::newRow("bad lines")
            << good + "\tthree\t三\t.\t.\nc\t\t二\tTwo.\t二\nc\ttwo\t\t.\t.\n"
                      "d\tx%1\t別\t.\t.\nd\tX%1\t乙\t.\t.\nd\tother\t一\t.\t.\n"
                      "c\tGood Morning\t朝\t.\t.\nc\tgood morning\tわたしの\t.\t.\nc\tfive\t五\tFi"
            << none << QString()
            << QStringList{u"2: the category is empty"_s,
                           u"3: the English title is empty"_s,
                           u"4: the Japanese title is empty"_s,
                           u"6: the English title \"X%1\" is also on line 5"_s,
                           u"7: the Japanese title \"一\" is also on line 1"_s,
                           u"8: the English title \"Good Morning\" is already in the phrase book"_s,
                           u"9: the English title is one title's in the phrase book and the "
                           "Japanese title another's"_s,
                           u"10: expected 5 columns (or 2 with --category NAME), found 4"_s}
            << none;
        QTest::newRow("quote not closed")
            << QByteArray("c,one,一,One.,一つ。\nc,six,六,\"Six\n.,.\n") << QStringList{u"--csv"_s}
            << QString()
            << QStringList{u"2: a quoted value is not closed before the end of the file"_s} << none;
        QTest::newRow("not utf-8")
            << good + "c\tseven\t\x8E\xB5\t.\t.\n"
            << QStringList{u"--encoding"_s, u"utf-8"_s} << QString()
            << QStringList{u"2: not UTF-8; give --encoding cp932 for a Shift_JIS file"_s} << none;
        QTest::newRow("cut-off utf-8") << good + "c\teight\t\xE5\x85" << none << QString()
                                       << QStringList{u"2: not UTF-8 (the file is cut off); give "
                                                      "--encoding cp932 for a Shift_JIS file"_s}
                                       << none;
    }
    // A problem is named with its file and line; a '%' in either can't change the text.
    void import()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(QString, summary);
        QFETCH(QStringList, problems);
        QFETCH(QStringList, titles);
        TestFolder folder;
        folder.addTitles();
        const QStringList before = folder.rows(kAllTitles);
        const QString file = writeFile(folder, u"in%1.txt"_s, bytes);
        const Run run = book(folder, QStringList{u"import"_s, file} + options);
        QStringList said;
        for (const QString& problem : problems)
            said << file + u':' + problem;
        said << (problems.isEmpty() ? summary
                                    : u"%1 problem(s); nothing was written"_s.arg(problems.size()));
        QCOMPARE(run.err.split(u'\n'), said << QString());
        QCOMPARE(run.status, problems.isEmpty() ? 0 : 1);
        QStringList changed = folder.rows(kAllTitles);
        for (const QString& row : before)
            changed.removeOne(row);
        QCOMPARE(changed, titles);
    }

    void refusedCommands_data()
    {
        QTest::addColumn<QStringList>("arguments"); // OWN: the phrase book, OTHER: another file
        QTest::addColumn<QByteArray>("bytes");      // in OTHER; null: no file there
        QTest::addColumn<QString>("message");
        const QStringList exporting{u"--book"_s, u"OTHER"_s, u"export"_s};
        QTest::newRow("missing") << exporting << QByteArray() << u"no phrase book there"_s;
        QTest::newRow("not a book") << exporting << QByteArray("hello\n") << u"not a WORDLARK"_s;
        QTest::newRow("export onto the book")
            << QStringList{u"export"_s, u"OWN"_s} << QByteArray() << u"the phrase book itself"_s;
        QTest::newRow("new onto a file")
            << QStringList{u"new"_s, u"OTHER"_s} << QByteArray("hello\n") << u"already exists"_s;
    }
    // Refused with a message; nothing is made or changed in its place.
    void refusedCommands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        TestFolder folder;
        const QString other = folder.path() + u"/other.mdb"_s;
        if (!bytes.isNull())
            writeFile(folder, u"other.mdb"_s, bytes);
        const QByteArray own = contents(folder.file());
        arguments.replaceInStrings(u"OTHER"_s, other).replaceInStrings(u"OWN"_s, folder.file());
        const Run run = book(folder, arguments);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(contents(other), bytes);
        QCOMPARE(QFile::exists(other), !bytes.isNull());
        QVERIFY(contents(folder.file()) == own);
    }

    void lockedBook_data()
    {
        QTest::addColumn<int>("holdMs");
        QTest::addColumn<int>("status");
        QTest::newRow("released within the wait") << 200 << 0;
        QTest::newRow("held past the wait") << 1500 << 1;
    }
    // Another connection in a write transaction: the import waits for it, or gives up with a
    // clear message and writes nothing.
    void lockedBook()
    {
        QFETCH(int, holdMs);
        QFETCH(int, status);
        TestFolder folder;
        const QString file = writeFile(folder, u"in.tsv"_s, "c\tone\t一\tOne.\t一つ。\n");
        sqlite3* other = nullptr;
        sqlite3_open(folder.file().toUtf8().constData(), &other);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        std::thread holder([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        });
        const Run run = book(folder, {u"import"_s, file}, 1000);
        holder.join();
        sqlite3_close(other);
        QCOMPARE(run.status, status);
        QCOMPARE(run.err.contains(u"stayed locked by another program"_s), status != 0);
        QCOMPARE(folder.rows(u"SELECT count(*) FROM タイトル"_s),
                 QStringList{status == 0 ? u"1"_s : u"0"_s});
    }
};

QTEST_GUILESS_MAIN(TestBook)
#include "tst_book.moc"
