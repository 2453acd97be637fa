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

// The day of a stored time, as the daily counts name it.
QByteArrayView dayOf(const QByteArray& time)
{
    return QByteArrayView(time).first(10);
}

qsizetype countOf(Statement& count)
{
    const qsizetype n = count.next() ? static_cast<qsizetype>(count.integer(0)) : 0;
    count.reset();
    return n;
}

// The whole book: a few counts over the memory and one indexed range per bucket, no function
// called on a row. The memory holds only titles of the book (its triggers and the replay keep
// it so), so it is counted alone.
void wholeBook(Database& db, ReviewStats& stats, const std::vector<QByteArray>& days,
               const std::vector<QByteArray>& weeks)
{
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

    Statement reviews(db.handle(),
                      u"SELECT count(*), coalesce(sum(評価 >= 2), 0) FROM 復習記録 WHERE 日時 >= "
                      u"?1 AND 日時 < ?2 AND 評価 BETWEEN 1 AND 4"_s);
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

// A category: one pass over its titles' memories, each put in its bucket here (a pass per
// bucket would walk the category each time), and its days of answers.
void category(Database& db, const QString& name, ReviewStats& stats,
              const std::vector<QByteArray>& days, const std::vector<QByteArray>& weeks)
{
    Statement memories(db.handle(),
                       u"SELECT m.安定度, m.次回 FROM タイトル t LEFT JOIN 記憶 m ON "
                       u"m.タイトル名_英語 = t.タイトル名_英語 WHERE t.カテゴリ名 = ?1"_s);
    memories.bind(1, name);
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

    // The category's days kept with the log, a few hundred rows; a week starts at its first day.
    Statement answers(db.handle(),
                      u"SELECT 日付, 正解数, 復習数 FROM 日別成績 WHERE カテゴリ名 = ?1 "
                      u"AND 日付 >= ?2 AND 日付 < ?3"_s);
    answers.bind(1, name);
    answers.bind(2, QString::fromLatin1(dayOf(weeks.front())));
    answers.bind(3, QString::fromLatin1(dayOf(weeks.back())));
    std::vector<QByteArrayView> starts;
    for (const QByteArray& edge : weeks)
        starts.push_back(dayOf(edge));
    while (answers.next()) {
        const auto end = std::upper_bound(starts.begin(), starts.end(), answers.utf8(0));
        ReviewStats::Week& week = stats.weeks[end - starts.begin() - 1];
        week.right += answers.integer(1);
        week.total += answers.integer(2);
    }
}

} // namespace

ReviewStats reviewStats(Database& db, const QString& categoryName, std::int64_t now)
{
    ensureReviewTables(db);
    // days[i] starts day i (UTC), days[30] ends the last; weeks[i] to weeks[i + 1] is week i,
    // the last one ending with today.
    const std::int64_t today = now - (now % kDay + kDay) % kDay;
    const std::vector<QByteArray> days = edgesOf(today, kDay, ReviewStats::kForecastDays + 1);
    const std::vector<QByteArray> weeks =
        edgesOf(today + kDay - ReviewStats::kWeeks * kWeek, kWeek, ReviewStats::kWeeks + 1);
    ReviewStats stats;
    if (categoryName.isEmpty())
        wholeBook(db, stats, days, weeks);
    else
        category(db, categoryName, stats, days, weeks);
    return stats;
}
