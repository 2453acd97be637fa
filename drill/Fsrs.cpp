#include "Fsrs.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace Fsrs {
namespace {

// FSRS-6's default weights w0 … w20.
constexpr std::array<double, 21> w = {0.212,  1.2931, 2.3065, 8.2956, 6.4133, 0.8334, 3.0194,
                                      0.001,  1.8722, 0.1666, 0.796,  1.4835, 0.0614, 0.2629,
                                      1.6483, 0.6014, 1.8729, 0.5425, 0.0912, 0.0658, 0.1542};
constexpr int kMaximumInterval = 36500;
constexpr double kMinStability = 0.001;
constexpr double kMaxStability = 36500.0;
constexpr std::int64_t kDayMs = 24 * 60 * 60 * 1000;

// Half-way cases go up, as in the reference (JavaScript's Math.round), not away from zero.
double roundHalfUp(double x)
{
    const double down = std::floor(x);
    return x - down >= 0.5 ? down + 1 : down;
}

// The reference rounds nearly every intermediate result to 8 decimals; the schedule depends on
// it, so every rounding is repeated here at the same step.
double round8(double x)
{
    return roundHalfUp(x * 1e8) / 1e8;
}

double clamp(double x, double low, double high)
{
    return std::min(std::max(x, low), high);
}

int grade(Rating g)
{
    return static_cast<int>(g);
}

// The forgetting curve's shape: DECAY = -w20, FACTOR = 0.9^(1/DECAY) - 1, so that R(S, S) = 0.9.
const double decay = -w[20];
const double factor = round8(std::exp(std::pow(decay, -1) * std::log(0.9)) - 1.0);
// I(r, S) / S for the desired retention r.
const double intervalModifier = round8((std::pow(kDesiredRetention, 1 / decay) - 1) / factor);

// R(t, S) = (1 + FACTOR · t / S)^DECAY
double forgettingCurve(double t, double s)
{
    return round8(std::pow(1 + factor * t / s, decay));
}

// S0(G) = w[G-1]
double initStability(Rating g)
{
    return std::max(w[grade(g) - 1], 0.1);
}

// D0(G) = w4 - e^(w5 · (G - 1)) + 1, unclamped: mean reversion aims at D0(Easy), which is below 1.
double initDifficulty(Rating g)
{
    return round8(w[4] - std::exp((grade(g) - 1) * w[5]) + 1);
}

// ΔD · (10 - D) / 9: the nearer D is to 10, the less it grows.
double linearDamping(double deltaD, double d)
{
    return round8(deltaD * (10 - d) / 9);
}

double meanReversion(double init, double current)
{
    return round8(w[7] * init + (1 - w[7]) * current);
}

// D' = w7 · D0(Easy) + (1 - w7) · (D + ΔD · (10 - D) / 9), ΔD = -w6 · (G - 3)
double nextDifficulty(double d, Rating g)
{
    const double deltaD = -w[6] * (grade(g) - 3);
    const double nextD = d + linearDamping(deltaD, d);
    return clamp(meanReversion(initDifficulty(Rating::Easy), nextD), 1, 10);
}

// S'r(D, S, R, G) = S · (e^w8 · (11 - D) · S^-w9 · (e^(w10 · (1 - R)) - 1) · w15|Hard · w16|Easy +
// 1)
double recallStability(double d, double s, double r, Rating g)
{
    const double hardPenalty = g == Rating::Hard ? w[15] : 1;
    const double easyBonus = g == Rating::Easy ? w[16] : 1;
    return round8(clamp(s * (1 + std::exp(w[8]) * (11 - d) * std::pow(s, -w[9]) *
                                     (std::exp((1 - r) * w[10]) - 1) * hardPenalty * easyBonus),
                        kMinStability, kMaxStability));
}

// S'f(D, S, R) = w11 · D^-w12 · ((S + 1)^w13 - 1) · e^(w14 · (1 - R))
double forgetStability(double d, double s, double r)
{
    return round8(clamp(w[11] * std::pow(d, -w[12]) * (std::pow(s + 1, w[13]) - 1) *
                            std::exp((1 - r) * w[14]),
                        kMinStability, kMaxStability));
}

// I(r, S) in whole days, at least 1.
int nextInterval(double s)
{
    return static_cast<int>(
        std::min(std::max(1.0, roundHalfUp(s * intervalModifier)), double(kMaximumInterval)));
}

struct MemoryState {
    double stability;
    double difficulty;
};

MemoryState nextState(const Card& card, double r, Rating g)
{
    // A card without memory starts from the first rating, whatever its other fields say.
    if (card.difficulty == 0 && card.stability == 0)
        return {initStability(g), clamp(initDifficulty(g), 1, 10)};
    const double d = card.difficulty;
    const double s = card.stability;
    // After a lapse the stability never grows.
    const double stability =
        g == Rating::Again ? std::min(std::max(round8(s), kMinStability), forgetStability(d, s, r))
                           : recallStability(d, s, r, g);
    return {stability, nextDifficulty(d, g)};
}

std::int64_t utcDay(std::int64_t ms)
{
    return ms / kDayMs - (ms % kDayMs < 0 ? 1 : 0);
}

} // namespace

std::int64_t elapsedDays(std::int64_t from, std::int64_t to)
{
    return utcDay(to) - utcDay(from);
}

double retrievability(double elapsedDays, double stability)
{
    return stability > 0 ? forgettingCurve(elapsedDays, stability) : 0;
}

Card review(const Card& card, Rating rating, std::int64_t at)
{
    const bool first = card.isNew();
    const double t =
        first ? 0 : double(std::max<std::int64_t>(0, elapsedDays(card.lastReview, at)));
    // Without learning steps a review on the same day is an ordinary one, at R = 1.
    const double r = first ? 0 : retrievability(t, card.stability);

    // Each rating's interval is bounded by its neighbours': Again ≤ Hard < Good < Easy, so Good
    // and Easy may go a day or two past the maximum interval, as in the reference.
    std::array<int, 4> intervals{};
    std::array<MemoryState, 4> states{};
    for (int g = 1; g <= 4; ++g) {
        states[g - 1] = nextState(card, r, Rating(g));
        intervals[g - 1] = nextInterval(states[g - 1].stability);
    }
    intervals[0] = std::min(intervals[0], intervals[1]);
    intervals[1] = std::max(intervals[1], intervals[0] + 1);
    intervals[2] = std::max(intervals[2], intervals[1] + 1);
    intervals[3] = std::max(intervals[3], intervals[2] + 1);

    Card next = card;
    const int g = grade(rating);
    next.stability = states[g - 1].stability;
    next.difficulty = states[g - 1].difficulty;
    next.lastReview = at;
    next.due = at + std::int64_t(intervals[g - 1]) * kDayMs;
    next.reps = card.reps + 1;
    if (rating == Rating::Again && !first)
        ++next.lapses;
    return next;
}

} // namespace Fsrs
