#include "ReviewStats.h"

#include "Database.h"
#include "ReviewMemory.h"
#include "ReviewTime.h"
#include "Statement.h"

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr std::int64_t kDay = 86'400'000;
constexpr std::int64_t kWeek = 7 * kDay;

// The edges of the buckets as stored time texts, which sort as the times do.
std::vector<QByteArray> edgesOf(std::int64_t first, std::int64_t step, int count)
{
    std::vector<QByteArray> edges;
    for (int i = 0; i < count; ++i)
        edges.push_back(formatReviewTime(first + i * step).toLatin1());
    return edges;
}

qsizetype countOf(Statement& count)
{
    const qsizetype n = count.next() ? static_cast<qsizetype>(count.integer(0)) : 0;
    count.reset();
    return n;
}

// A few counts over the memory and one indexed range per bucket, no function called on a row.
// The memory holds only titles of the book (its triggers and the replay keep it so), so the
// whole book counts it alone; a category walks its titles with their memories, each row put in
// its bucket here, as a pass per bucket would walk the category each time. Each review carries
// its title's category, so a category's weeks are ranges of their own index.
void countFigures(Database& db, const QString& category, ReviewStats& stats,
                  const std::vector<QByteArray>& days, const std::vector<QByteArray>& weeks)
{
    if (category.isEmpty()) {
        Statement titles(db.handle(), u"SELECT count(*) FROM タイトル"_s);
        const qsizetype all = countOf(titles);
        Statement memories(db.handle(),
                           u"SELECT count(*), coalesce(sum(安定度 >= %1), 0) FROM 記憶"_s.arg(
                               ReviewStats::kLearnedDays));
        if (memories.next()) {
            const auto reviewed = static_cast<qsizetype>(memories.integer(0));
            stats.known = static_cast<qsizetype>(memories.integer(1));
            stats.learning = reviewed - stats.known;
            stats.fresh = std::max<qsizetype>(0, all - reviewed);
        }
        Statement due(db.handle(), u"SELECT count(*) FROM 記憶 WHERE 次回 >= ?1 AND 次回 < ?2"_s);
        for (int day = 0; day < ReviewStats::kForecastDays; ++day) {
            due.bind(1, day == 0 ? QString() : QString::fromLatin1(days[day]));
            due.bind(2, QString::fromLatin1(days[day + 1]));
            stats.forecast[day] = countOf(due);
        }
    } else {
        Statement memories(db.handle(),
                           u"SELECT m.安定度, m.次回 FROM タイトル t LEFT JOIN 記憶 m ON "
                           u"m.タイトル名_英語 = t.タイトル名_英語 WHERE t.カテゴリ名 = ?9"_s);
        memories.bind(9, category);
        const auto dayEdges = days.begin() + 1;
        while (memories.next()) {
            if (memories.isNull(0)) {
                ++stats.fresh;
                continue;
            }
            ++(memories.real(0) >= ReviewStats::kLearnedDays ? stats.known : stats.learning);
            const QByteArrayView due = memories.utf8(1);
            if (due >= days.back())
                continue;
            // Today takes the overdue too: the count of later days' starts at or before it.
            stats.forecast[std::upper_bound(dayEdges, days.end() - 1, due) - dayEdges] += 1;
        }
    }

    Statement reviews(db.handle(),
                      u"SELECT count(*), coalesce(sum(評価 >= 2), 0) FROM 復習記録 WHERE %1日時 > "
                      u"?1 AND 日時 <= ?2 AND 評価 BETWEEN 1 AND 4"_s.arg(
                          category.isEmpty() ? QString() : u"カテゴリ名 = ?9 AND "_s));
    if (!category.isEmpty())
        reviews.bind(9, category);
    for (int week = 0; week < ReviewStats::kWeeks; ++week) {
        reviews.bind(1, QString::fromLatin1(weeks[week]));
        reviews.bind(2, QString::fromLatin1(weeks[week + 1]));
        if (reviews.next()) {
            stats.weeks[week].total = static_cast<qsizetype>(reviews.integer(0));
            stats.weeks[week].right = static_cast<qsizetype>(reviews.integer(1));
        }
        reviews.reset();
    }
}

} // namespace

ReviewStats reviewStats(Database& db, const QString& categoryName, std::int64_t now)
{
    ensureReviewTables(db);
    // days[i] starts day i (UTC), days[30] ends the last; weeks[i] to weeks[i + 1] is week i.
    const std::int64_t today = now - (now % kDay + kDay) % kDay;
    const std::vector<QByteArray> days = edgesOf(today, kDay, ReviewStats::kForecastDays + 1);
    const std::vector<QByteArray> weeks =
        edgesOf(now - ReviewStats::kWeeks * kWeek, kWeek, ReviewStats::kWeeks + 1);
    ReviewStats stats;
    countFigures(db, categoryName, stats, days, weeks);
    return stats;
}
