#pragma once

#include "Fsrs.h"
#include "TitleMode.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class Database;

// What the drill remembers, kept in the phrase book beside the titles: the review log
// (復習記録, one row per counted Check) and each reviewed title's memory (記憶), which is
// always the log's replay. Every function throws EngineError on a failure of the engine.

// Adds the review tables to a book that lacks them, in one transaction; a book that has them
// is only read, so a read-only one still works.
void ensureReviewTables(Database& db);

// Records a review of the title named `title` in the mode's title column, at `at` or, when the
// clock was set back, at the title's last review, and reschedules it: one synced transaction.
// Nothing when the book has no such title.
std::optional<Fsrs::Card> recordReview(Database& db, TitleMode mode, const QString& title,
                                       Fsrs::Rating rating, std::int64_t at);

// The titles to review of a category, or of the whole book for an empty one: those due at
// `now`, the most overdue first, then at most newLimit never reviewed, in title order.
struct DueTitles {
    // The titles in the mode's title column, one after another, and where each ends.
    QString text;
    std::vector<qsizetype> ends;
    qsizetype listedDue = 0; // the first ones listed
    qsizetype due = 0;       // due in all, more than listed when the list is full
    qsizetype fresh = 0;     // the new titles listed after them

    std::vector<QStringView> titles() const;
};
DueTitles dueTitles(Database& db, TitleMode mode, const QString& category, std::int64_t now,
                    int newLimit, qsizetype listLimit);

// A review of the log as every replay reads it.
struct LoggedReview {
    Fsrs::Rating rating;
    std::int64_t at;
};
// Walks the review log in the replay's order: each title of the book (a title that is gone has
// no card) with its readable reviews in order of time, its rows together whatever the case of
// their key. visit is called for each, told whether it is the title's first. Rows whose
// rating or time can't be read are passed over, and counted.
struct LogWalk {
    qsizetype titles = 0;     // with a review read
    qsizetype reviews = 0;    // rows of the book's titles
    qsizetype passedOver = 0; // of them, those that can't be read
};
LogWalk walkReviewLog(
    Database& db,
    const std::function<void(const QString& english, bool first, const LoggedReview&)>& visit);

// Writes every title's memory anew from the review log, and gives the reviews that lack one
// their title's category, in one transaction. Log rows whose rating or time can't be read are
// passed over, as every replay passes over them.
LogWalk rebuildMemory(Database& db);

struct MemorySummary {
    qsizetype reviewed = 0; // titles with a memory
    qsizetype due = 0;      // of them, due at now
    qsizetype reviews = 0;  // rows of the review log
};
MemorySummary summarizeMemory(Database& db, std::int64_t now);
