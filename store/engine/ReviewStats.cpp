#include "ReviewStats.h"

#include "Database.h"
#include "ReviewMemory.h"
#include "ReviewTime.h"
#include "Statement.h"

using namespace Qt::StringLiterals;

namespace {

constexpr std::int64_t kDay = 86'400'000;
constexpr std::int64_t kWeek = 7 * kDay;

// Each bucket is a range of the stored time text, which sorts as time does: one indexed range
// scan per bucket, with no function called on every row.
qsizetype countIn(Statement& count, const QString& from, const QString& to)
{
    count.bind(1, from);
    count.bind(2, to);
    qsizetype n = 0;
    if (count.next()) {
        n = static_cast<qsizetype>(count.integer(0));
        while (count.next()) {
        }
    }
    return n;
}

} // namespace

ReviewStats reviewStats(Database& db, const QString& category, std::int64_t now)
{
    ensureReviewTables(db);
    const bool whole = category.isEmpty();
    const auto bindCategory = [&](Statement& statement) {
        if (!whole)
            statement.bind(9, category);
    };
    ReviewStats stats;

    Statement states(
        db.handle(),
        u"SELECT count(*), count(m.安定度), coalesce(sum(m.安定度 >= %1), 0) FROM タイトル t "
        u"LEFT JOIN 記憶 m ON m.タイトル名_英語 = t.タイトル名_英語%2"_s
            .arg(ReviewStats::kLearnedDays)
            .arg(whole ? QString() : u" WHERE t.カテゴリ名 = ?9"_s));
    bindCategory(states);
    if (states.next()) {
        const auto titles = static_cast<qsizetype>(states.integer(0));
        const auto reviewed = static_cast<qsizetype>(states.integer(1));
        stats.known = static_cast<qsizetype>(states.integer(2));
        stats.learning = reviewed - stats.known;
        stats.fresh = titles - reviewed;
    }

    Statement due(db.handle(),
                  whole ? u"SELECT count(*) FROM 記憶 WHERE 次回 >= ?1 AND 次回 < ?2"_s
                        : u"SELECT count(*) FROM タイトル t JOIN 記憶 m ON m.タイトル名_英語 = "
                          u"t.タイトル名_英語 WHERE t.カテゴリ名 = ?9 AND m.次回 >= ?1 AND "
                          u"m.次回 < ?2"_s);
    bindCategory(due);
    const std::int64_t today = now - (now % kDay + kDay) % kDay;
    for (int day = 0; day < ReviewStats::kForecastDays; ++day)
        stats.forecast[day] =
            countIn(due, day == 0 ? QString() : formatReviewTime(today + day * kDay),
                    formatReviewTime(today + (day + 1) * kDay));

    // Only ratings the scheduler reads count; every rating but Again is a right answer.
    Statement reviews(
        db.handle(),
        whole ? u"SELECT count(*), coalesce(sum(評価 >= 2), 0) FROM 復習記録 WHERE 日時 > ?1 "
                u"AND 日時 <= ?2 AND 評価 BETWEEN 1 AND 4"_s
              : u"SELECT count(*), coalesce(sum(r.評価 >= 2), 0) FROM タイトル t JOIN 復習記録 r "
                u"ON r.タイトル名_英語 = t.タイトル名_英語 WHERE t.カテゴリ名 = ?9 AND "
                u"r.日時 > ?1 AND r.日時 <= ?2 AND r.評価 BETWEEN 1 AND 4"_s);
    bindCategory(reviews);
    for (int week = 0; week < ReviewStats::kWeeks; ++week) {
        const std::int64_t end = now - (ReviewStats::kWeeks - 1 - week) * kWeek;
        reviews.bind(1, formatReviewTime(end - kWeek));
        reviews.bind(2, formatReviewTime(end));
        if (reviews.next()) {
            stats.weeks[week].total = static_cast<qsizetype>(reviews.integer(0));
            stats.weeks[week].right = static_cast<qsizetype>(reviews.integer(1));
            while (reviews.next()) {
            }
        }
    }
    return stats;
}
