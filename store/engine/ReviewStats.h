#pragma once

#include <QString>

#include <array>
#include <cstdint>

class Database;

// The figures behind the statistics window, for a category or, when it is empty, the whole
// book. Days are UTC calendar days, as the scheduler's are; weeks are seven times 24 hours
// back from now, the latest one ending at now.
struct ReviewStats {
    static constexpr int kLearnedDays = 21; // the stability from which a title counts as known
    static constexpr int kForecastDays = 30;
    static constexpr int kWeeks = 26;

    // Titles by state: never reviewed, stability under kLearnedDays days, and the rest.
    qsizetype fresh = 0;
    qsizetype learning = 0;
    qsizetype known = 0;
    // Titles due on each day from today on; today's count includes the overdue ones.
    std::array<qsizetype, kForecastDays> forecast{};
    // Reviews in each week, the oldest first, and how many of them were right.
    struct Week {
        qsizetype right = 0;
        qsizetype total = 0;
    };
    std::array<Week, kWeeks> weeks{};

    qsizetype titles() const { return fresh + learning + known; }
};

// Throws EngineError on a failure of the engine.
ReviewStats reviewStats(Database& db, const QString& category, std::int64_t now);
