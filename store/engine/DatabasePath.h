#pragma once

#include "BookPlaces.h"

#include <QString>

// The phrase book file, worked out anew for each operation. The file in the program's folder
// wins; without one, the file in the user's data folder, which is made from the template when
// the data folder does not exist yet. A file missing from an existing data folder stays
// missing, so that the operation reports it rather than starting on a fresh book.
QString DatabasePath(const BookPlaces& places);
