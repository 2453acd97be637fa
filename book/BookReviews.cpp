#include "BookReviews.h"

#include "BookError.h"
#include "BookFile.h"
#include "Database.h"
#include "EngineError.h"
#include "ReviewMemory.h"
#include "ReviewTime.h"
#include "Statement.h"

#include <QIODevice>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

QString reviewTablesError(Database& db, const EngineError& e)
{
    return QStringLiteral("%1: the review tables: %2")
        .arg(bookPath(db), QString::fromUtf8(e.what()));
}

// The optimizer's states: 0 for a card's first review, 2 (review) for every later one, since
// the scheduler has no same-day learning steps.
constexpr int kStateNew = 0;
constexpr int kStateReview = 2;

} // namespace

int reviewBook(Database& db, bool rebuild, std::int64_t now, QIODevice& out, QIODevice& err)
{
    try {
        if (rebuild) {
            const Rebuilt rebuilt = rebuildMemory(db);
            QString line = QStringLiteral("rebuilt the memory of %1 titles from %2 reviews")
                               .arg(rebuilt.titles)
                               .arg(rebuilt.reviews);
            if (rebuilt.passedOver > 0)
                line += QStringLiteral("; passed over %1 reviews whose rating or time can't be "
                                       "read")
                            .arg(rebuilt.passedOver);
            err.write(line.toUtf8() + '\n');
        }
        const MemorySummary summary = summarizeMemory(db, now);
        out.write(QStringLiteral("titles reviewed: %1, due now: %2, reviews recorded: %3\n")
                      .arg(summary.reviewed)
                      .arg(summary.due)
                      .arg(summary.reviews)
                      .toUtf8());
        return 0;
    } catch (const EngineError& e) {
        throw BookError(reviewTablesError(db, e));
    }
}

long long reviewCardId(const QString& englishTitle)
{
    // FNV-1a over the UTF-16 of the title folded as the key compares (ASCII letters without
    // case), kept to 53 bits so that no reader taking numbers as doubles changes it.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const QChar c : englishTitle) {
        char16_t unit = c.unicode();
        if (unit >= u'A' && unit <= u'Z')
            unit = char16_t(unit + 32);
        for (const auto byte : {unit & 0xff, unit >> 8}) {
            hash ^= static_cast<std::uint64_t>(byte);
            hash *= 1099511628211ULL;
        }
    }
    return static_cast<long long>(hash & ((1ULL << 53) - 1));
}

ExportedReviews exportReviews(Database& db, QIODevice& out)
{
    try {
        ensureReviewTables(db);
        // The replay's rows in the replay's order: only titles of the book, each title's
        // reviews together whatever their case, in order of time.
        Statement log(
            db.handle(),
            u"SELECT r.タイトル名_英語, r.評価, r.日時 FROM 復習記録 r WHERE EXISTS (SELECT 1 "
            u"FROM タイトル t WHERE t.タイトル名_英語 = r.タイトル名_英語) "
            u"ORDER BY r.タイトル名_英語, r.日時, r.rowid"_s);
        ExportedReviews exported;
        out.write("card_id,review_time,review_rating,review_state,review_duration\n");
        QByteArray line;
        long long card = 0;
        bool first = true;
        while (log.next()) {
            const long long rating = log.integer(1);
            const std::optional<std::int64_t> at = parseReviewTime(log.text(2));
            if (!at || rating < 1 || rating > 4) {
                ++exported.passedOver;
                continue;
            }
            const long long id = reviewCardId(log.text(0));
            if (exported.reviews == 0 || id != card) {
                card = id;
                first = true;
                ++exported.titles;
            }
            // Not measured: the optimizer reads 0 as no duration.
            line = QByteArray::number(card) + ',' + QByteArray::number(*at) + ',' +
                   QByteArray::number(rating) + ',' +
                   QByteArray::number(first ? kStateNew : kStateReview) + ",0\n";
            if (out.write(line) != line.size())
                throw BookError(out.errorString());
            first = false;
            ++exported.reviews;
        }
        return exported;
    } catch (const EngineError& e) {
        throw BookError(reviewTablesError(db, e));
    }
}
