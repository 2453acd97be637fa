#pragma once

#include <QString>

// The phrase book file in the given folder, which is the program's own folder outside tests.
QString DatabasePath(const QString& folder);
