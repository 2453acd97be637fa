#include "BookReviews.h"

#include "BookError.h"
#include "BookFile.h"
#include "Database.h"
#include "EngineError.h"
#include "ReviewMemory.h"

#include <QIODevice>

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
            const LogWalk rebuilt = rebuildMemory(db);
            const QString line = QStringLiteral("rebuilt the memory of %1 titles from %2 reviews")
                                     .arg(rebuilt.titles)
                                     .arg(rebuilt.reviews) +
                                 passedOverNote(rebuilt);
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

LogWalk exportReviews(Database& db, QIODevice& out)
{
    try {
        out.write("card_id,review_time,review_rating,review_state,review_duration\n");
        QByteArray line;
        return walkReviewLog(db, [&](const QString& english, bool first,
                                     const LoggedReview& review) {
            // Not measured: the optimizer reads 0 as no duration.
            line = QByteArray::number(reviewCardId(english)) + ',' + QByteArray::number(review.at) +
                   ',' + QByteArray::number(static_cast<int>(review.rating)) + ',' +
                   QByteArray::number(first ? kStateNew : kStateReview) + ",0\n";
            if (out.write(line) != line.size())
                throw BookError(out.errorString());
        });
    } catch (const EngineError& e) {
        throw BookError(reviewTablesError(db, e));
    }
}

QString passedOverNote(const LogWalk& walk)
{
    if (walk.passedOver == 0)
        return {};
    return QStringLiteral("; passed over %1 reviews whose rating or time can't be read")
        .arg(walk.passedOver);
}
