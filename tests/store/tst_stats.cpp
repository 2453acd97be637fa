// The figures behind the statistics window on a book of known memories and reviews: titles by
// state, the due forecast by UTC day, and right answers by week back from now, each bucket's
// edges included, and a category's reviews kept with its titles as they move and go.
#include "Database.h"
#include "ReviewMemory.h"
#include "ReviewStats.h"
#include "TestFolder.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// 2026-12-07T12:00:00.000Z
constexpr std::int64_t kNow = 1'796'644'800'000;

// Every bucket that is not empty, as "index:count" or "index:right/total".
QString forecastOf(const ReviewStats& stats)
{
    QStringList buckets;
    for (int day = 0; day < ReviewStats::kForecastDays; ++day)
        if (stats.forecast[day] != 0)
            buckets << u"%1:%2"_s.arg(day).arg(stats.forecast[day]);
    return buckets.join(u' ');
}

QString weeksOf(const ReviewStats& stats)
{
    QStringList buckets;
    for (int week = 0; week < ReviewStats::kWeeks; ++week)
        if (stats.weeks[week].total != 0)
            buckets << u"%1:%2/%3"_s.arg(week)
                           .arg(stats.weeks[week].right)
                           .arg(stats.weeks[week].total);
    return buckets.join(u' ');
}

void addMemories(const TestFolder& folder)
{
    folder.addTitles();
    // Stability and due time; hot tea was never reviewed.
    folder.exec(u"INSERT INTO 記憶 VALUES"
                " ('Good morning', 20.99, 5, '2026-12-01T00:00:00.000Z', '', 1, 0),"
                " ('hat shop', 21, 5, '2026-12-07T23:59:59.999Z', '', 1, 0),"
                " ('Airport', 100, 5, '2026-12-08T00:00:00.000Z', '', 1, 0),"
                " ('Deadline', 5, 5, '2027-01-05T23:59:59.999Z', '', 1, 0),"
                " ('It’s mine', 3, 5, '2027-01-06T00:00:00.000Z', '', 1, 0);"
                "INSERT INTO 復習記録 VALUES"
                " ('hat shop', 3, '2026-12-07T12:00:00.000Z', '旅行'),"
                " ('Airport', 1, '2026-11-30T12:00:00.001Z', '旅行'),"
                " ('Airport', 3, '2026-11-30T12:00:00.000Z', '旅行'),"
                " ('Deadline', 3, '2026-06-08T12:00:00.001Z', '仕事'),"
                " ('Deadline', 1, '2026-06-08T12:00:00.000Z', '仕事'),"
                " ('hot tea', 3, '2026-12-07T12:00:00.001Z', '旅行'),"
                " ('Good morning', 0, '2026-12-05T00:00:00.000Z', '旅行'),"
                " ('Good morning', 4, '2026-12-05T00:00:00.000Z', '旅行'),"
                " ('Good morning', 2, '2026-12-05T00:00:00.000Z', '旅行')"_s);
}

} // namespace

class TestStats : public QObject {
    Q_OBJECT

private slots:
    void stats_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("states"); // new learning known; null: the replay's, not asked
        QTest::addColumn<QString>("forecast");
        QTest::addColumn<QString>("weeks");
        // Today holds the overdue and what is due up to midnight; day 29 ends 30 days on.
        // The latest week ends at now, and each week takes its later edge, not its earlier.
        // A rating of 0 is no answer; Hard and Easy are right ones.
        QTest::newRow("whole book") << QString() << QString() << u"1 3 2"_s << u"0:2 1:1 29:1"_s
                                    << u"0:1/1 24:1/1 25:3/4"_s;
        QTest::newRow("category") << QString() << u"旅行"_s << u"1 1 2"_s << u"0:2 1:1"_s
                                  << u"24:1/1 25:3/4"_s;
        QTest::newRow("category of another case")
            << QString() << u"仕事"_s << u"0 1 0"_s << u"29:1"_s << u"0:1/1"_s;
        QTest::newRow("category in another case")
            << QString() << u"don't"_s << u"0 1 0"_s << QString() << QString();
        QTest::newRow("empty category")
            << QString() << u"空"_s << u"0 0 0"_s << QString() << QString();
        QTest::newRow("no such category")
            << QString() << u"Nowhere"_s << u"0 0 0"_s << QString() << QString();
        // Reviews follow their title wherever it goes, whichever column changes first.
        const QString moved =
            u"UPDATE タイトル SET カテゴリ名 = '仕事', タイトル名_英語 = 'AIRPORT' "
            u"WHERE タイトル名_英語 = 'Airport'"_s;
        QTest::newRow("title moved, from")
            << moved << u"旅行"_s << u"1 1 1"_s << u"0:2"_s << u"25:3/3"_s;
        QTest::newRow("title moved, to")
            << moved << u"仕事"_s << u"0 1 1"_s << u"1:1 29:1"_s << u"0:1/1 24:1/1 25:0/1"_s;
        // A log of before reviews carried categories gets them; a rebuild files those another
        // tool wrote without one.
        QTest::newRow("log without categories")
            << u"DROP INDEX 復習記録_カテゴリ; ALTER TABLE 復習記録 DROP COLUMN カテゴリ名"_s
            << u"旅行"_s << u"1 1 2"_s << u"0:2 1:1"_s << u"24:1/1 25:3/4"_s;
        QTest::newRow("rebuilt") << u"UPDATE 復習記録 SET カテゴリ名 = NULL; rebuild"_s << u"旅行"_s
                                 << QString() << QString() << u"24:1/1 25:3/4"_s;
    }
    void stats()
    {
        QFETCH(QString, change);
        QFETCH(QString, category);
        QFETCH(QString, states);
        QFETCH(QString, forecast);
        QFETCH(QString, weeks);
        TestFolder folder;
        addMemories(folder);
        if (!change.isEmpty())
            folder.exec(change.chopped(change.endsWith(u"; rebuild"_s) ? 9 : 0));
        Database db(folder.file());
        if (change.endsWith(u"rebuild"_s))
            rebuildMemory(db);
        const ReviewStats stats = reviewStats(db, category, kNow);
        if (!states.isNull()) {
            QCOMPARE(u"%1 %2 %3"_s.arg(stats.fresh).arg(stats.learning).arg(stats.known), states);
            QCOMPARE(forecastOf(stats), forecast);
        }
        QCOMPARE(weeksOf(stats), weeks);
    }
};

QTEST_GUILESS_MAIN(TestStats)
#include "tst_stats.moc"
