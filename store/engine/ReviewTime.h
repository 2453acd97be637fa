#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// A review's time as the review tables store it, UTC to the millisecond:
// YYYY-MM-DDTHH:MM:SS.sssZ, which sorts as text in the order of time.
QString formatReviewTime(std::int64_t msSinceEpoch);
// Nothing for a text of any other form.
std::optional<std::int64_t> parseReviewTime(QStringView text);
