#include "ReviewGenerator.h"

#include "Database.h"
#include "EngineError.h"
#include "Fsrs.h"
#include "ReviewMemory.h"
#include "ReviewTime.h"
#include "Statement.h"
#include "Transaction.h"

#include <QStringList>

#include <random>
#include <vector>

using namespace Qt::StringLiterals;

QString generateReviews(const QString& path, int stride, int reviewsPerTitle, std::int64_t now,
                        std::uint64_t seed)
{
    constexpr std::int64_t kDay = 86'400'000;
    try {
        Database db(path);
        ensureReviewTables(db);
        QStringList titles;
        Statement select(
            db.handle(),
            u"SELECT タイトル名_英語 FROM タイトル WHERE rowid % ?1 = 0 ORDER BY rowid"_s);
        select.bind(1, static_cast<long long>(stride));
        while (select.next())
            titles << select.text(0);

        std::mt19937_64 random(seed);
        std::uniform_int_distribution<std::int64_t> endsBefore(0, 60 * kDay);
        std::uniform_int_distribution<std::int64_t> late(0, kDay / 2);
        std::bernoulli_distribution right(0.9);
        Transaction transaction(db.handle());
        Statement add(db.handle(),
                      u"INSERT INTO 復習記録 SELECT ?1, ?2, ?3, カテゴリ名 FROM タイトル "
                      u"WHERE タイトル名_英語 = ?1"_s);
        std::vector<std::pair<Fsrs::Rating, std::int64_t>> history;
        for (const QString& title : titles) {
            // Played forward from 0, then moved so that it ends where it should.
            history.clear();
            Fsrs::Card card;
            std::int64_t at = 0;
            for (int i = 0; i < reviewsPerTitle; ++i) {
                const auto rating = right(random) ? Fsrs::Rating::Good : Fsrs::Rating::Again;
                card = Fsrs::review(card, rating, at);
                history.emplace_back(rating, at);
                at = card.due + late(random);
            }
            const std::int64_t shift = now - endsBefore(random) - history.back().second;
            for (const auto& [rating, time] : history) {
                add.bind(1, title);
                add.bind(2, static_cast<long long>(rating));
                add.bind(3, formatReviewTime(time + shift));
                add.execute();
            }
        }
        transaction.commit();
        rebuildMemory(db);
        return {};
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}
