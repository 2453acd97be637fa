// What the drill remembers: the review log, each title's memory as its replay, the tables
// added to an older book, and the memory going with its title.
#include "Database.h"
#include "EngineError.h"
#include "ReviewMemory.h"
#include "ReviewTime.h"
#include "TestFolder.h"

#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr std::int64_t kDay = 86'400'000;
// 2026-12-07T23:59:00.000Z, a minute before midnight UTC.
constexpr std::int64_t kStart = 1'796'687'940'000;

const QString kMemory = u"SELECT * FROM 記憶 ORDER BY 1"_s;
const QString kLog = u"SELECT * FROM 復習記録 ORDER BY rowid"_s;

// The memory of the title as the replay of its logged reviews.
QString replayed(const TestFolder& folder, const QString& english)
{
    Fsrs::Card card;
    for (const QString& row : folder.rows(kLog)) {
        const QStringList r = row.split(u'|');
        if (r[0] == english)
            card = Fsrs::review(card, Fsrs::Rating(r[1].toInt()), *parseReviewTime(r[2]));
    }
    return QStringList{english,
                       QString::number(card.stability, 'g', 15),
                       QString::number(card.difficulty, 'g', 15),
                       formatReviewTime(card.due),
                       formatReviewTime(card.lastReview),
                       QString::number(card.reps),
                       QString::number(card.lapses)}
        .join(u'|');
}

QStringList schemaOf(const TestFolder& folder)
{
    return folder.rows(u"SELECT type, name, sql FROM sqlite_master ORDER BY name"_s);
}

} // namespace

class TestMemory : public QObject {
    Q_OBJECT

private slots:
    // Each review is logged and the title's memory is always the replay of its log, whatever
    // the mode it was named in; a clock set back logs the review at the last one's time.
    // Rebuilding from the log gives every memory again, passing over a row it can't read.
    void memoryIsTheReplayOfTheLog()
    {
        TestFolder folder;
        folder.addTitles();
        Database db(folder.file());
        struct Review {
            TitleMode mode;
            QString title;
            bool right;
            std::int64_t at;
        };
        const Review reviews[] = {
            {TitleMode::EJ, u"Airport"_s, false, kStart},
            {TitleMode::JE, u"空港"_s, true, kStart + 2 * 60'000}, // after midnight
            {TitleMode::EJ, u"AIRPORT"_s, true, kStart + 3 * kDay},
            {TitleMode::EJ, u"Airport"_s, true, kStart + kDay}, // the clock was set back
            {TitleMode::EJ, u"hot tea"_s, true, kStart + 40 * kDay},
        };
        for (const Review& r : reviews) {
            QVERIFY(recordReview(db, r.mode, r.title,
                                 r.right ? Fsrs::Rating::Good : Fsrs::Rating::Again, r.at));
        }
        QVERIFY(!recordReview(db, TitleMode::EJ, u"No such title"_s, Fsrs::Rating::Good, kStart));
        QCOMPARE(folder.rows(kLog), (QStringList{u"Airport|1|2026-12-07T23:59:00.000Z|旅行"_s,
                                                 u"Airport|3|2026-12-08T00:01:00.000Z|旅行"_s,
                                                 u"Airport|3|2026-12-10T23:59:00.000Z|旅行"_s,
                                                 u"Airport|3|2026-12-10T23:59:00.000Z|旅行"_s,
                                                 u"hot tea|3|2027-01-16T23:59:00.000Z|旅行"_s}));
        const QStringList memory = folder.rows(kMemory);
        QCOMPARE(memory,
                 (QStringList{replayed(folder, u"Airport"_s), replayed(folder, u"hot tea"_s)}));

        folder.exec(u"INSERT INTO 復習記録 (タイトル名_英語, 評価, 日時) VALUES ('hot tea', 7, "
                    u"'2027-01-17T00:00:00.000Z');"
                    "UPDATE 記憶 SET 安定度 = 99"_s);
        const LogWalk rebuilt = rebuildMemory(db);
        QCOMPARE(rebuilt.titles, 2);
        QCOMPARE(rebuilt.reviews, 6);
        QCOMPARE(rebuilt.passedOver, 1);
        QCOMPARE(folder.rows(kMemory), memory);
        const MemorySummary summary = summarizeMemory(db, kStart + 3 * kDay);
        QCOMPARE(summary.reviewed + summary.reviews, 2 + 6);
    }

    // A book from before the review tables gets them, and nothing else changes; a read-only
    // one can't get them and is left as it was.
    void tablesAddedToAnOlderBook()
    {
        TestFolder folder;
        folder.addTitles();
        folder.exec(u"DROP TABLE 復習記録; DROP TABLE 記憶;"
                    "DROP TRIGGER タイトル_記憶削除; DROP TRIGGER タイトル_記憶改名"_s);
        const QStringList titles = folder.rows(u"SELECT * FROM タイトル ORDER BY rowid"_s);
        const QStringList older = schemaOf(folder);
        QVERIFY(folder.setReadOnly(true));
        const auto writable = qScopeGuard([&] { folder.setReadOnly(false); });
        {
            Database db(folder.file());
            QVERIFY_THROWS_EXCEPTION(EngineError, recordReview(db, TitleMode::EJ, u"Airport"_s,
                                                               Fsrs::Rating::Good, kStart));
        }
        QCOMPARE(schemaOf(folder), older);
        QVERIFY(folder.setReadOnly(false));
        {
            Database db(folder.file());
            QVERIFY(recordReview(db, TitleMode::EJ, u"Airport"_s, Fsrs::Rating::Good, kStart));
        }
        const TestFolder fresh;
        QCOMPARE(schemaOf(folder), schemaOf(fresh));
        QCOMPARE(folder.rows(u"SELECT * FROM タイトル ORDER BY rowid"_s), titles);
    }

    // A title's log and memory go with it, however it goes, and follow it when a tool
    // rewrites its English title.
    void memoryGoesWithItsTitle()
    {
        TestFolder folder;
        folder.addTitles();
        {
            Database db(folder.file());
            for (const QString& title : {u"Airport"_s, u"hot tea"_s, u"Deadline"_s})
                recordReview(db, TitleMode::EJ, title, Fsrs::Rating::Good, kStart);
        }
        folder.exec(u"DELETE FROM タイトル WHERE タイトル名_英語 = 'AIRPORT';"
                    "UPDATE タイトル SET タイトル名_英語 = 'Hot tea!' WHERE タイトル名_英語 = "
                    "'hot tea';"
                    "BEGIN; DELETE FROM タイトル WHERE カテゴリ名 = '仕事'; COMMIT"_s);
        QCOMPARE(folder.rows(u"SELECT タイトル名_英語 FROM 復習記録"_s),
                 QStringList{u"Hot tea!"_s});
        QCOMPARE(folder.rows(u"SELECT タイトル名_英語 FROM 記憶"_s), QStringList{u"Hot tea!"_s});
    }
};

QTEST_MAIN(TestMemory)
#include "tst_memory.moc"
