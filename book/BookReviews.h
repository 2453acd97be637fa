#pragma once

#include "ReviewMemory.h"

#include <QString>

#include <cstdint>

class Database;
class QIODevice;

// wordlark-book reviews: one line on what the drill remembers, or with rebuild, every title's
// memory written anew from the review log. Throws BookError.
int reviewBook(Database& db, bool rebuild, std::int64_t now, QIODevice& out, QIODevice& err);

// The review log in the FSRS optimizer's revlog.csv form, one row per review a replay reads,
// each title's reviews in order of time. Throws BookError.
LogWalk exportReviews(Database& db, QIODevice& out);
// What a walk of the log passed over, to follow its report; nothing when it passed over none.
QString passedOverNote(const LogWalk& walk);

// A title's card_id: the same in every export while its English title stays as it is.
long long reviewCardId(const QString& englishTitle);
