#pragma once

#include <QString>

#include <cstdint>

// A review history for a generated phrase book: every `stride`-th title (by rowid) reviewed
// `reviewsPerTitle` times, each review when the scheduler asked for it, right nine times in
// ten; each history ends at a random time within the 60 days before `now`, so some titles are
// due at now and some are not. Writes the log and rebuilds every memory from it. Equal seeds
// give equal histories. Returns an error message, empty on success.
QString generateReviews(const QString& path, int stride, int reviewsPerTitle, std::int64_t now,
                        std::uint64_t seed);
