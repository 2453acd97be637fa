#include "PhraseBook.h"
#include "ReviewMemory.h"
#include "StoreTexts.h"
#include "TitleList.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <vector>

namespace {

// The most a review lists; as many as a category's listing.
constexpr qsizetype kReviewListLimit = kLookupRowLimit;
// New titles a review brings in at a time.
constexpr int kNewTitlesPerReview = 20;

} // namespace

void PhraseBook::ListDueTitles(TitleMode mode, std::int64_t now)
{
    const QString category = m_c.Combo1->currentText();
    runOnDatabase(
        path(),
        [&](Database& db) {
            const DueTitles found =
                dueTitles(db, mode, category, now, kNewTitlesPerReview, kReviewListLimit);
            m_c.List1->clear();
            const std::vector<QStringView> titles = found.titles();
            m_c.List1->addTitles(titles);
            m_c.Label5->setText(QString::number(titles.size()));
            m_c.Text5->setText(titles.empty() ? StoreTexts::nothingDue
                                              : StoreTexts::dueTitles(found.due, found.fresh));
        },
        [this](FrameFailure failure) { reportFailure(failure, StoreTexts::listDueTitlesFailed); });
}

bool PhraseBook::RecordReview(TitleMode mode, const QString& title, bool right, std::int64_t now)
{
    const auto recorded = runOnDatabase(
        path(),
        [&](Database& db) {
            return recordReview(db, mode, title, right ? Fsrs::Rating::Good : Fsrs::Rating::Again,
                                now)
                .has_value();
        },
        [](FrameFailure) {});
    return recorded.value_or(false);
}

std::optional<ReviewStats> PhraseBook::ReadStats(std::int64_t now)
{
    const QString category = m_c.Combo1->currentText();
    return runOnDatabase(
        path(), [&](Database& db) { return reviewStats(db, category, now); },
        [this](FrameFailure failure) { reportFailure(failure, StoreTexts::readStatsFailed); });
}
