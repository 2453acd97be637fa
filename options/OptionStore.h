#pragma once

#include "BookPlaces.h"
#include "Option.h"

#include <QString>

// Reads and writes the option rows of the phrase book file. Nothing is cached: every call
// opens the file, so a saved value counts from its next reading. Neither call ever reports
// anything to the user.
class OptionStore {
public:
    explicit OptionStore(BookPlaces places);

    // The option's value by its family's rule; the fallback when the file can't be read.
    QString ReadOption(Option option) const;
    // Stores value unchanged in the option's first row. 0 when it ran to its end (a missing
    // row included), 1 when anything failed.
    int WriteOption(Option option, const QString& value) const;

private:
    BookPlaces m_places;
};
