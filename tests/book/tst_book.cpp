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

struct Run {
    int status = 0;
    QByteArray out;
    QString err;
};

Run book(const TestFolder& folder, QStringList arguments, int busyTimeoutMs = 5000)
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

// Adds one title (category, English title, Japanese title, sentence, translation) and its
// category.
void addTitle(const TestFolder& folder, QStringList columns)
{
    for (QString& column : columns)
        column.replace(u'\'', u"''"_s);
    folder.exec(u"INSERT OR IGNORE INTO カテゴリ VALUES ('%1');"
                "INSERT INTO タイトル VALUES ('%2', '%3', '%4', '%5', '%1')"_s.arg(
                    columns[0], columns[1], columns[2], columns[3], columns[4]));
}

const QByteArray kHeader =
    "category\tEnglish title\tJapanese title\tEnglish sentence\ttranslation\n";

} // namespace

class TestBook : public QObject {
    Q_OBJECT

private slots:
    void exportFormats_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("tsv") << QStringList{u"export"_s}
                             << kHeader + "A\tbe\tビー\tB\\tb\\\\\tび\\nび\n"
                                          "a\tCe\tシー\tC\"c,\tし\n"
                                          "b\tae\tエー\t#A\tえ\n";
        QTest::newRow("csv") << QStringList{u"export"_s, u"--csv"_s}
                             << QByteArray("\xEF\xBB\xBF"
                                           "category,English title,Japanese title,"
                                           "English sentence,translation\r\n"
                                           "A,be,ビー,B\tb\\,\"び\nび\"\r\n"
                                           "a,Ce,シー,\"C\"\"c,\",し\r\n"
                                           "b,ae,エー,#A,え\r\n");
        QTest::newRow("anki") << QStringList{u"export"_s, u"--anki"_s}
                              << QByteArray("#separator:tab\n#html:false\n#deck column:3\n"
                                            "\"B\tb\\\"\t\"び\nび\"\tA\n"
                                            "\"C\"\"c,\"\tし\ta\n"
                                            "\"#A\"\tえ\tb\n");
        QTest::newRow("one category") << QStringList{u"export"_s, u"--category"_s, u"B"_s}
                                      << kHeader + "b\tae\tエー\t#A\tえ\n";
    }
    // Sorted by category, then English title, both without regard to case.
    void exportFormats()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        TestFolder folder;
        addTitle(folder, {u"b"_s, u"ae"_s, u"エー"_s, u"#A"_s, u"え"_s});
        addTitle(folder, {u"a"_s, u"Ce"_s, u"シー"_s, u"C\"c,"_s, u"し"_s});
        addTitle(folder, {u"A"_s, u"be"_s, u"ビー"_s, u"B\tb\\"_s, u"び\nび"_s});
        const Run run = book(folder, arguments);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, expected);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("tab") << u"a\tb"_s;
        QTest::newRow("line ends") << u"a\nb\r\nc\r"_s;
        QTest::newRow("quotes and commas") << u"\"a\", \"b\","_s;
        QTest::newRow("apostrophe") << u"Don't"_s;
        QTest::newRow("lone backslash") << u"C:\\"_s;
        QTest::newRow("escape lookalike") << u"\\n\\t\\\\"_s;
        QTest::newRow("full-width") << u"ＡＢＣ　日本語の文。"_s;
        QTest::newRow("header lookalike") << u"#separator:comma"_s;
        QTest::newRow("byte order mark") << u"\uFEFFa"_s;
        QTest::newRow("10,000 characters") << QString(10000, u'長');
    }
    // Exported, deleted and imported again, the book is the same value for value.
    void roundTrip()
    {
        QFETCH(QString, value);
        for (const QString& format : {u"--tsv"_s, u"--csv"_s}) {
            TestFolder folder, copy;
            QString english = value;
            english.replace(u'\'', u'’');
            addTitle(folder, {value, english, value, value, value});
            addTitle(folder, {u"x"_s, u"plain"_s, u"普通"_s, u""_s, u"訳"_s});
            const QString file = folder.path() + u"/out.txt"_s;
            QStringList exporting{u"export"_s, file};
            if (format == u"--csv"_s)
                exporting << format;
            QCOMPARE(book(folder, exporting).status, 0);
            const Run run = book(copy, {u"import"_s, format, file});
            QVERIFY2(run.status == 0, qPrintable(run.err));
            QCOMPARE(copy.rows(kAllTitles), folder.rows(kAllTitles));
            QCOMPARE(copy.rows(u"SELECT カテゴリ名 FROM カテゴリ ORDER BY 1"_s),
                     folder.rows(u"SELECT カテゴリ名 FROM カテゴリ ORDER BY 1"_s));
        }
    }

    void encodings_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        const QByteArray utf8 = "駅\tstation\t表示①\tThe station.\t駅です。\n";
        // The same line in Shift_JIS as Windows writes it; 表 ends in the byte of a backslash,
        // ① is in CP932 only.
        const QByteArray cp932 = "\x89\x77\tstation\t\x95\x5C\x8E\xA6\x87\x40\tThe station.\t"
                                 "\x89\x77\x82\xC5\x82\xB7\x81\x42\n";
        QTest::newRow("utf-8") << u"in.tsv"_s << utf8 << QStringList();
        QTest::newRow("utf-8 with bom") << u"in.tsv"_s << "\xEF\xBB\xBF" + utf8 << QStringList();
        QTest::newRow("utf-8 bom header")
            << u"in.tsv"_s << "\xEF\xBB\xBF" + kHeader + utf8 << QStringList();
        QTest::newRow("cp932 detected") << u"in.tsv"_s << cp932 << QStringList();
        QTest::newRow("cp932 named")
            << u"in.tsv"_s << cp932 << QStringList{u"--encoding"_s, u"cp932"_s};
        QByteArray spreadsheet = cp932;
        spreadsheet.replace('\t', ',').replace("\n", "\r\n");
        QTest::newRow("cp932 csv") << u"in.csv"_s << spreadsheet << QStringList();
    }
    void encodings()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        TestFolder folder;
        const Run run =
            book(folder, QStringList{u"import"_s, writeFile(folder, name, bytes)} + options);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(folder.rows(kAllTitles), QStringList{u"駅|station|表示①|The station.|駅です。"_s});
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("problems");
        const QByteArray good = "c\tone\t一\tOne.\t一つ。\n";
        QTest::newRow("empty titles")
            << kHeader + good + "c\t\t二\tTwo.\t二\nc\ttwo\t\t.\t.\n"
            << QStringList()
            << QStringList{u"3: the English title is empty"_s, u"4: the Japanese title is empty"_s};
        QTest::newRow("empty category")
            << good + "\tthree\t三\t.\t.\n"
            << QStringList() << QStringList{u"2: the category is empty"_s};
        QTest::newRow("columns") << good + "c\tfour\t四\n"
                                 << QStringList()
                                 << QStringList{u"2: expected 5 columns (or 2 with --category "
                                                "NAME), found 3"_s};
        QTest::newRow("twice in the file")
            << good + "d\tONE\t別\t.\t.\nd\tother\t一\t.\t.\n"
            << QStringList()
            << QStringList{u"2: the English title \"ONE\" is also on line 1"_s,
                           u"3: the Japanese title \"一\" is also on line 1"_s};
        QTest::newRow("percent signs") << good + "c\tx%1\t甲\t.\t.\nc\tX%1\t乙\t.\t.\n"
                                       << QStringList()
                                       << QStringList{u"3: the English title \"X%1\" is also on "
                                                      "line 2"_s};
        QTest::newRow("in the book") << good + "c\tGood Morning\t朝\t.\t.\n"
                                     << QStringList()
                                     << QStringList{u"2: the English title \"Good Morning\" is "
                                                    "already in the phrase book"_s};
        QTest::newRow("two titles in the book")
            << good + "c\tgood morning\tわたしの\t.\t.\n"
            << QStringList{u"--on-duplicate"_s, u"update"_s}
            << QStringList{u"2: the English title is one title's in the phrase book and the "
                           "Japanese title another's"_s};
        QTest::newRow("truncated last line") << good + "c\tfive\t五\tFi" << QStringList()
                                             << QStringList{u"2: expected 5 columns (or 2 with "
                                                            "--category NAME), found 4"_s};
        QTest::newRow("quote not closed")
            << QByteArray("c,one,一,One.,一つ。\nc,six,六,\"Six\n.,.\n") << QStringList{u"--csv"_s}
            << QStringList{u"2: a quoted value is not closed before the end of the file"_s};
        QTest::newRow("not utf-8") << good + "c\tseven\t\x8E\xB5\t.\t.\n"
                                   << QStringList{u"--encoding"_s, u"utf-8"_s}
                                   << QStringList{u"2: not UTF-8; give --encoding cp932 for a "
                                                  "Shift_JIS file"_s};
        QTest::newRow("cut-off utf-8") << good + "c\teight\t\xE5\x85" << QStringList()
                                       << QStringList{u"2: not UTF-8 (the file is cut off); give "
                                                      "--encoding cp932 for a Shift_JIS file"_s};
    }
    // Each bad row is named with its line, and nothing at all is written.
    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(QStringList, problems);
        TestFolder folder;
        folder.addTitles();
        const QStringList before = folder.rows(kAllTitles);
        const QString file = writeFile(folder, u"in.txt"_s, bytes);
        const Run run = book(folder, QStringList{u"import"_s, file} + options);
        QCOMPARE(run.status, 1);
        QStringList expected;
        for (const QString& problem : problems)
            expected << file + u':' + problem;
        expected << u"%1 problem(s); nothing was written"_s.arg(problems.size()) << QString();
        QCOMPARE(run.err.split(u'\n'), expected);
        QCOMPARE(folder.rows(kAllTitles), before);
        QCOMPARE(folder.rows(u"SELECT count(*) FROM カテゴリ"_s), QStringList{u"4"_s});
    }

    void duplicates_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("travel");
        const QString kept = u"Airport|空港|To the airport.|空港まで。"_s;
        QTest::newRow("skip") << QStringList{u"--on-duplicate"_s, u"skip"_s}
                              << u"categories added: 1, titles added: 1, updated: 0, skipped: 2"_s
                              << QStringList{kept, u"Good morning|おはよう|Good morning.|"
                                                   "おはようございます。"_s};
        QTest::newRow("update") << QStringList{u"--on-duplicate"_s, u"update"_s}
                                << u"categories added: 1, titles added: 1, updated: 2, skipped: 0"_s
                                << QStringList{u"AIRPORT|空港|Airport!|くうこう"_s,
                                               u"Good day|おはよう|Hello.|こんにちは"_s};
        QTest::newRow("dry run") << QStringList{u"--on-duplicate"_s, u"update"_s, u"--dry-run"_s}
                                 << u"categories added: 1, titles added: 1, updated: 2, skipped: "
                                    "0 (dry run: nothing written)"_s
                                 << QStringList{kept, u"Good morning|おはよう|Good morning.|"
                                                      "おはようございます。"_s};
    }
    // Titles matching one in the book by either title are skipped or overwritten and counted.
    void duplicates()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, summary);
        QFETCH(QStringList, travel);
        TestFolder folder;
        folder.addTitles();
        const QString file = writeFile(folder, u"in.tsv"_s,
                                       "旅行\tAIRPORT\t空港\tAirport!\tくうこう\n"
                                       "旅行\tGood day\tおはよう\tHello.\tこんにちは\n"
                                       "新\tBus\tバス\tBy bus.\tバスで。\n");
        const Run run = book(folder, QStringList{u"import"_s, file} + options);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, summary + u'\n');
        QCOMPARE(folder.rows(u"SELECT タイトル名_英語, タイトル名_日本語, 英文, 和訳 FROM タイトル "
                             "WHERE タイトル名_日本語 IN ('空港', 'おはよう') ORDER BY 2 DESC"_s),
                 travel);
    }

    void otherFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("empty file") << QByteArray() << QStringList() << QStringList();
        QTest::newRow("header only") << kHeader << QStringList() << QStringList();
        QTest::newRow("two columns")
            << QByteArray("English sentence\ttranslation\nIt's late.\t遅い。\n")
            << QStringList{u"--category"_s, u"日常"_s}
            << QStringList{u"日常|It’s late.|遅い。|It's late.|遅い。"_s};
        QTest::newRow("anki export")
            << QByteArray("#separator:tab\n#html:true\n#guid column:1\n#notetype column:2\n"
                          "#deck column:3\n#tags column:6\n"
                          "g1\tBasic\tDeck::Sub\t<b>Hi</b>\t\"や\tあ\"\ttag\n")
            << QStringList() << QStringList{u"Deck::Sub|<b>Hi</b>|や\tあ|<b>Hi</b>|や\tあ"_s};
        QTest::newRow("data starting with #")
            << QByteArray("#1: Hi\tやあ\n") << QStringList{u"--category"_s, u"c"_s}
            << QStringList{u"c|#1: Hi|やあ|#1: Hi|やあ"_s};
        QTest::newRow("anki without deck")
            << QByteArray("#separator:comma\n#html:false\nYes,はい\n")
            << QStringList{u"--category"_s, u"返事"_s} << QStringList{u"返事|Yes|はい|Yes|はい"_s};
    }
    void otherFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(QStringList, titles);
        TestFolder folder;
        const Run run =
            book(folder, QStringList{u"import"_s, writeFile(folder, u"in.txt"_s, bytes)} + options);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(folder.rows(kAllTitles), titles);
    }

    void ankiRoundTrip()
    {
        // Anki keeps only sentence, translation and deck; they come back as they were.
        TestFolder folder, copy;
        addTitle(folder, {u"#1"_s, u"x"_s, u"エックス"_s, u"#a\t\"b\"\nc"_s, u"訳\r\n"_s});
        const QString file = folder.path() + u"/notes.txt"_s;
        QCOMPARE(book(folder, {u"export"_s, u"--anki"_s, file}).status, 0);
        QCOMPARE(book(copy, {u"import"_s, file}).status, 0);
        QCOMPARE(copy.rows(u"SELECT カテゴリ名, 英文, 和訳 FROM タイトル"_s),
                 folder.rows(u"SELECT カテゴリ名, 英文, 和訳 FROM タイトル"_s));
    }

    void notAPhraseBook_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << u""_s << QByteArray() << u"no phrase book there"_s;
        QTest::newRow("text") << u"t.mdb"_s << QByteArray("hello\n")
                              << u"not a WORDLARK phrase book"_s;
    }
    // Refused with a message; nothing is made in its place.
    void notAPhraseBook()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        TestFolder folder;
        const QString path =
            name.isEmpty() ? folder.path() + u"/none.mdb"_s : writeFile(folder, name, bytes);
        const QString in = writeFile(folder, u"in.tsv"_s, "c\tone\t一\tOne.\t一つ。\n");
        for (const QStringList& arguments : {QStringList{u"--book"_s, path, u"import"_s, in},
                                             QStringList{u"--book"_s, path, u"export"_s}}) {
            const Run run = book(folder, arguments);
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(message), qPrintable(run.err));
        }
        QCOMPARE(QFile(path).size(), qint64(bytes.size()));
    }

    void newBook()
    {
        TestFolder folder;
        const QString path = folder.path() + u"/new.mdb"_s;
        QCOMPARE(book(folder, {u"new"_s, path}).status, 0);
        QCOMPARE(rowsOf(path, u"SELECT count(*) FROM オプション"_s), QStringList{u"7"_s});
        QCOMPARE(rowsOf(path, u"SELECT count(*) FROM タイトル"_s), QStringList{u"0"_s});
        QCOMPARE(book(folder, {u"new"_s, path}).status, 1);
        // An export never replaces the phrase book it reads.
        QCOMPARE(book(folder, {u"--book"_s, path, u"export"_s, path}).status, 1);
        QCOMPARE(rowsOf(path, u"SELECT count(*) FROM オプション"_s), QStringList{u"7"_s});
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
        if (status != 0)
            QVERIFY2(run.err.contains(u"stayed locked by another program"_s), qPrintable(run.err));
        QCOMPARE(folder.rows(u"SELECT count(*) FROM タイトル"_s),
                 QStringList{status == 0 ? u"1"_s : u"0"_s});
    }
};

QTEST_GUILESS_MAIN(TestBook)
#include "tst_book.moc"
