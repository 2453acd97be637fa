#pragma once
#include <cstdint>

// FSRS-6 with its default weights, desired retention 0.9 and a maximum interval of 36,500 days,
// scheduling in whole days only (no fuzz, no same-day learning steps). It reproduces the FSRS
// project's reference scheduler step for step, roundings included, so a title's memory is the
// same whichever implementation replays its review log.
namespace Fsrs {

// The share of right answers the intervals are chosen for.
inline constexpr double kDesiredRetention = 0.9;

enum class Rating { Again = 1, Hard = 2, Good = 3, Easy = 4 };

// A title's memory; times are milliseconds since 1970 UTC.
struct Card {
    double stability = 0;  // days
    double difficulty = 0; // 1 to 10
    std::int64_t due = 0;
    std::int64_t lastReview = 0;
    int reps = 0;
    int lapses = 0;
    bool isNew() const { return reps == 0; }
};

// The card after a review with `rating` at time `at` (never earlier than card.lastReview; an
// earlier time counts as a review on the same day).
Card review(const Card& card, Rating rating, std::int64_t at);

// Probability of recall after elapsedDays at this stability (the forgetting curve); 0 for a
// stability of 0, a card never reviewed.
double retrievability(double elapsedDays, double stability);

// Whole UTC calendar days from one time to a later one: the elapsed time the scheduler uses.
std::int64_t elapsedDays(std::int64_t from, std::int64_t to);

} // namespace Fsrs
