// wordlark-book run in-process on a fresh phrase book: formats, encodings, duplicate policies
// and refusals, one of them of a phrase book held by another connection.

#include "BookCommand.h"
#include "TestFolder.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

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

Run book(const TestFolder& folder, const QStringList& arguments)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    BookEnvironment environment;
    environment.defaultBook = folder.file();
    environment.busyTimeoutMs = 100; // only the locked case's other connection holds the book
    environment.now = [] { return 1'796'644'800'000LL; }; // 2026-12-07T12:00:00.000Z
    const int status = runBookCommand(arguments, out, err, environment);
    return {status, out.data(), QString::fromUtf8(err.data())};
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
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("tsv") << u"export"_s
                             << kHeader + "A\tbe\tビー\tB\\tb\\\\\tび\\r\\nび\n"
                                          "a\tCe\t\uFEFFシー\tC\"c,\tし\n"
                                          "\uFEFFb\tae\tエー\t#deck:A\tえ\n";
        QTest::newRow("csv")
            << u"export --csv"_s
            << "\xEF\xBB\xBF"
               "category,English title,Japanese title,English sentence,translation\r\n"
               "A,be,ビー,B\tb\\,\"び\r\nび\"\r\n"
               "a,Ce,\uFEFFシー,\"C\"\"c,\",し\r\n"
               "\uFEFFb,ae,エー,#deck:A,え\r\n"_ba;
        QTest::newRow("anki") << u"export --anki"_s
                              << "#separator:tab\n#html:false\n#deck column:3\n"
                                 "\"B\tb\\\"\t\"び\r\nび\"\tA\n"
                                 "\"C\"\"c,\"\tし\ta\n"
                                 "\"#deck:A\"\tえ\t\uFEFFb\n"_ba;
        QTest::newRow("one category")
            << u"export --category a"_s
            << kHeader + "A\tbe\tビー\tB\\tb\\\\\tび\\r\\nび\na\tCe\t\uFEFFシー\tC\"c,\tし\n";
    }
    // Sorted by category, then English title, both without regard to case; the file written
    // imports into a new book as the same titles (Anki keeps sentence, translation and deck).
    void exportAndBack()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, expected);
        TestFolder folder;
        folder.exec(u"INSERT OR IGNORE INTO カテゴリ VALUES ('A'), ('a'), ('\uFEFFb');"
                    "INSERT INTO タイトル VALUES ('ae', 'エー', '#deck:A', 'え', '\uFEFFb'),"
                    " ('Ce', '\uFEFFシー', 'C\"c,', 'し', 'a'),"
                    " ('be', 'ビー', 'B\tb\\', 'び\r\nび', 'A')"_s);
        QStringList arguments = command.split(u' ');
        QCOMPARE(book(folder, arguments).out, expected);
        if (command.contains(u"--category"_s))
            return;
        const QString file = folder.path() + (command.contains(u"--csv"_s) ? u"/o.csv"_s : u"/o"_s);
        arguments.insert(1, file);
        QCOMPARE(book(folder, arguments).status, 0);
        const QString copy = folder.path() + u"/copy.mdb"_s;
        QCOMPARE(book(folder, {u"new"_s, copy}).status, 0);
        QCOMPARE(rowsOf(copy, u"SELECT count(*) FROM オプション"_s), QStringList{u"7"_s});
        QCOMPARE(book(folder, {u"--book"_s, copy, u"import"_s, file}).status, 0);
        // quote() keeps a leading U+FEFF, which reading a column as UTF-16 would drop.
        const QString compared =
            command.contains(u"--anki"_s)
                ? u"SELECT quote(カテゴリ名), quote(英文), quote(和訳) FROM タイトル ORDER BY 2"_s
                : u"SELECT quote(カテゴリ名), quote(タイトル名_英語), quote(タイトル名_日本語), "
                  "quote(英文), quote(和訳) FROM タイトル ORDER BY 3"_s;
        QCOMPARE(rowsOf(copy, compared), folder.rows(compared));
    }

    void command_data()
    {
        QTest::addColumn<QString>("command");  // OWN: the phrase book, OTHER: another file
        QTest::addColumn<QByteArray>("bytes"); // in OTHER; null: no file there
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");   // OTHER for that file's name
        QTest::addColumn<QString>("titles"); // rows new or changed
        // Shift_JIS as Windows writes it; 表 ends in the byte of a backslash, ① is in CP932 only.
        const QByteArray cp932 = "\x89\x77\tstation\t\x95\x5C\x8E\xA6\x87\x40\tThe station.\t"
                                 "\x89\x77\x82\xC5\x82\xB7\x81\x42\n"_ba;
        const QString oneAdded = u"categories added: 1, titles added: 1, updated: 0, skipped: 0"_s;
        QTest::newRow("cp932 detected") << u"import OTHER"_s << cp932 << 0 << oneAdded
                                        << u"駅|station|表示①|The station.|駅です。"_s;
        QTest::newRow("cp932 detected, no line end at the end")
            << u"import OTHER"_s << cp932.chopped(1) << 0 << oneAdded
            << u"駅|station|表示①|The station.|駅です。"_s;
        QTest::newRow("two columns, data starting with #")
            << u"import OTHER --category c"_s << "#1: It's late.\t遅い。\n"_ba << 0 << oneAdded
            << u"c|#1: It’s late.|遅い。|#1: It's late.|遅い。"_s;
        // Titles matching one in the book by either title are skipped or overwritten and counted.
        const QByteArray travel = "旅行\tAIRPORT\t空港\tAirport!\tくうこう\n"
                                  "旅行\tGood day\tおはよう\tHello.\tこんにちは\n"
                                  "新\tBus\tバス\tBy bus.\tバスで。\n"_ba;
        QTest::newRow("skip") << u"import OTHER --on-duplicate skip"_s << travel << 0
                              << u"categories added: 1, titles added: 1, updated: 0, skipped: 2"_s
                              << u"新|Bus|バス|By bus.|バスで。"_s;
        QTest::newRow("update")
            << u"import OTHER --on-duplicate update"_s << travel << 0
            << u"categories added: 1, titles added: 1, updated: 2, skipped: 0"_s
            << u"旅行|AIRPORT|空港|Airport!|くうこう\n新|Bus|バス|By bus.|バスで。\n"
               "旅行|Good day|おはよう|Hello.|こんにちは"_s;
        QTest::newRow("dry run") << u"import OTHER --on-duplicate update --dry-run"_s << travel << 0
                                 << u"updated: 2, skipped: 0 (dry run: nothing written)"_s
                                 << QString();
        // Refused: nothing is made or changed.
        const QByteArray good = "c\tone\t一\tOne.\t一つ。\n"_ba;
        QTest::newRow("missing") << u"--book OTHER export"_s << QByteArray() << 1
                                 << u"no phrase book there"_s << QString();
        QTest::newRow("not a book")
            << u"--book OTHER export"_s << "hello\n"_ba << 1 << u"not a WORDLARK"_s << QString();
        QTest::newRow("export onto the book")
            << u"export OWN"_s << QByteArray() << 1 << u"the phrase book itself"_s << QString();
        QTest::newRow("new onto a file")
            << u"new OTHER"_s << "hello\n"_ba << 1 << u"already exists"_s << QString();
        QTest::newRow("bad lines")
            << u"import OTHER"_s
            << good + "\tthree\t三\t.\t.\nc\t\t二\tTwo.\t二\nc\ttwo\t\t.\t.\n"
                      "d\tx%1\t別\t.\t.\nd\tX%1\t乙\t.\t.\nd\tother\t一\t.\t.\n"
                      "c\tGood Morning\t朝\t.\t.\nc\tgood morning\tわたしの\t.\t.\nc\tfive\t五\tFi"
            << 1
            << u"OTHER:2: the category is empty\n"
               "OTHER:3: the English title is empty\n"
               "OTHER:4: the Japanese title is empty\n"
               "OTHER:6: the English title \"X%1\" is also on line 5\n"
               "OTHER:7: the Japanese title \"一\" is also on line 1\n"
               "OTHER:8: the English title \"Good Morning\" is already in the phrase book\n"
               "OTHER:9: the English title is one title's in the phrase book and the Japanese "
               "title another's\n"
               "OTHER:10: expected 5 columns (or 2 with --category NAME), found 4\n"
               "8 problem(s); nothing was written\n"_s
            << QString();
        QTest::newRow("quote not closed")
            << u"import OTHER --csv"_s << "c,one,一,One.,一つ。\nc,six,六,\"Six\n.,.\n"_ba << 1
            << u"OTHER:2: a quoted value is not closed before the end of the file"_s << QString();
        // A title quoted in a problem stays on its line, and a terminal gets no control
        // character from the file.
        QTest::newRow("control characters in titles")
            << u"import OTHER --csv"_s
            << "c,\"a\r\nb\",一,.,.\nc,\"a\r\nb\",二,.,.\n"
               "c,\"\x1B[2J\u0085\",三,.,.\nc,\"\x1B[2J\u0085\",四,.,.\n"_ba
            << 1
            << u"OTHER:3: the English title \"a\\r\\nb\" is also on line 1\n"
               "OTHER:6: the English title \"\\u001b[2J\\u0085\" is also on line 5\n"_s
            << QString();
        // Memory stays bounded by a line: a file without line ends, or with a quote never
        // closed, is refused where the limit is passed.
        QTest::newRow("line too long")
            << u"import OTHER"_s << good + "c\t" + QByteArray(1 << 20, 'x') << 1
            << u"OTHER:2: a line longer than 1 MiB"_s << QString();
        QTest::newRow("quoted value too long")
            << u"import OTHER --csv"_s
            << "c,one,一,\"" + QByteArray(1000, 'x').append('\n').repeated(1100) << 1
            << u"OTHER:1: a quoted value longer than 1 MiB"_s << QString();
        QTest::newRow("not utf-8")
            << u"import OTHER --encoding utf-8"_s << good + "c\tseven\t\x8E\xB5\t.\t.\n"
            << 1 << u"OTHER:2: not UTF-8; give --encoding cp932 for a Shift_JIS file"_s
            << QString();
        QTest::newRow("locked") << u"import OTHER"_s << good << 1
                                << u"stayed locked by another program"_s << QString();
    }
    // What the command says and which titles it changes. The other file stays as it was, and a
    // command that changes no title leaves the phrase book byte for byte. In the locked case
    // another connection holds the book in a write transaction. A '%' in names changes nothing
    // that is said.
    void command()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QString, said);
        QFETCH(QString, titles);
        TestFolder folder;
        folder.addTitles();
        const QStringList before = folder.rows(kAllTitles);
        const QString other = folder.path() + u"/other%1.txt"_s;
        if (QFile file(other); !bytes.isNull())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        const QByteArray own = contents(folder.file());
        sqlite3* holder = nullptr;
        if (qstrcmp(QTest::currentDataTag(), "locked") == 0) {
            sqlite3_open(folder.file().toUtf8().constData(), &holder);
            QCOMPARE(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        }
        QStringList arguments = command.split(u' ');
        arguments.replaceInStrings(u"OTHER"_s, other).replaceInStrings(u"OWN"_s, folder.file());
        Run run = book(folder, arguments);
        sqlite3_close(holder);
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.replace(other, u"OTHER"_s).contains(said), qPrintable(run.err));
        QCOMPARE(contents(other), bytes);
        QCOMPARE(QFile::exists(other), !bytes.isNull());
        QStringList changed = folder.rows(kAllTitles);
        for (const QString& row : before)
            changed.removeOne(row);
        QCOMPARE(changed.join(u'\n'), titles);
        if (titles.isEmpty())
            QVERIFY(contents(folder.file()) == own);
    }

    // reviews tells what the drill remembers, adding the tables to a book without them;
    // --rebuild replays the log into every title's memory, titles no longer in the book left out.
    void reviews()
    {
        TestFolder folder;
        folder.addTitles();
        folder.exec(u"DROP TABLE 復習記録; DROP TABLE 記憶"_s);
        Run run = book(folder, {u"reviews"_s});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.out, "titles reviewed: 0, due now: 0, reviews recorded: 0\n"_ba);
        folder.exec(u"INSERT INTO 復習記録 (タイトル名_英語, 評価, 日時) VALUES ('airport', 3, "
                    u"'2026-11-01T09:00:00.000Z'),"
                    "('Airport', 3, '2026-11-03T09:00:00.000Z'),"
                    "('hot tea', 1, '2026-12-07T11:00:00.000Z'),"
                    "('Gone', 3, '2026-12-01T00:00:00.000Z'),"
                    "('hot tea', 3, 'yesterday')"_s);
        run = book(folder, {u"--book"_s, folder.file(), u"reviews"_s, u"--rebuild"_s});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, u"rebuilt the memory of 2 titles from 4 reviews; passed over 1 reviews "
                          "whose rating or time can't be read\n"_s);
        // Airport's second Good at 2 days is due again within the month; hot tea's Again the
        // next day.
        QCOMPARE(run.out, "titles reviewed: 2, due now: 1, reviews recorded: 5\n"_ba);
        for (const QString& other : {u"--csv"_s, u"--rebuild"_s, u"--category=仕事"_s})
            QCOMPARE(book(folder, {u"reviews"_s, other, u"--export"_s, u"x.csv"_s}).status, 2);
        QVERIFY(!QFile::exists(u"x.csv"_s));
    }

    // --export writes the log as the FSRS optimizer's revlog.csv: the replay's rows, each
    // title's first review new and the rest reviews, one card id per title whatever the case of
    // its rows, the same in a later export.
    void reviewLog()
    {
        TestFolder folder;
        folder.addTitles();
        folder.exec(u"INSERT INTO 復習記録 (タイトル名_英語, 評価, 日時) VALUES ('hot tea', 1, "
                    u"'2026-12-07T11:00:00.000Z'),"
                    "('airport', 3, '2026-11-01T09:00:00.250Z'),"
                    "('Gone', 3, '2026-12-01T00:00:00.000Z'),"
                    "('hot tea', 3, 'yesterday'),"
                    "('hot tea', 3, '2026-12-08T11:00:00.000Z'),"
                    "('Airport', 1, '2026-11-03T09:00:00.000Z')"_s);
        const QString file = folder.path() + u"/revlog.csv"_s;
        Run run = book(folder, {u"reviews"_s, u"--export"_s, file});
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, u"exported 4 reviews of 2 titles; passed over 1 reviews whose rating or "
                          "time can't be read\n"_s);
        const auto ms = [](const char* time) {
            return QByteArray::number(
                QDateTime::fromString(QString::fromLatin1(time), Qt::ISODateWithMs)
                    .toMSecsSinceEpoch());
        };
        QList<QByteArray> lines = contents(file).split('\n');
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines.takeFirst(),
                 "card_id,review_time,review_rating,review_state,review_duration");
        QCOMPARE(lines.takeLast(), QByteArray());
        QList<QByteArray> ids, rest;
        for (const QByteArray& line : lines) {
            ids << line.left(line.indexOf(','));
            rest << line.mid(ids.last().size() + 1);
        }
        QCOMPARE(rest, (QList<QByteArray>{ms("2026-11-01T09:00:00.250Z") + ",3,0,0",
                                          ms("2026-11-03T09:00:00.000Z") + ",1,2,0",
                                          ms("2026-12-07T11:00:00.000Z") + ",1,0,0",
                                          ms("2026-12-08T11:00:00.000Z") + ",3,2,0"}));
        QVERIFY(ids[0] == ids[1] && ids[2] == ids[3] && ids[0] != ids[2]);
        QVERIFY(ids[0].toLongLong() > 0);

        // Later reviews, a vacuum and a replay change no card id.
        folder.exec(u"INSERT INTO 復習記録 (タイトル名_英語, 評価, 日時) VALUES ('AIRPORT', 3, "
                    u"'2026-12-09T00:00:00.000Z');"
                    "VACUUM"_s);
        QCOMPARE(book(folder, {u"reviews"_s, u"--rebuild"_s}).status, 0);
        run = book(folder, {u"reviews"_s, u"--export"_s, u"-"_s});
        QCOMPARE(run.status, 0);
        const QList<QByteArray> again = run.out.split('\n');
        QCOMPARE(again.size(), 7);
        for (int i : {1, 2, 3})
            QVERIFY(again[i].startsWith(ids[0] + ','));
        QVERIFY(again[4].startsWith(ids[2] + ','));
    }
};

QTEST_GUILESS_MAIN(TestBook)
#include "tst_book.moc"
