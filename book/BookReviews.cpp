#include "BookReviews.h"

#include "BookError.h"
#include "BookFile.h"
#include "Database.h"
#include "EngineError.h"
#include "ReviewMemory.h"

#include <QIODevice>

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
        throw BookError(QStringLiteral("%1: the review tables: %2")
                            .arg(bookPath(db), QString::fromUtf8(e.what())));
    }
}
