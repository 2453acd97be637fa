#pragma once

#include "BookFormat.h"

#include <QString>

#include <cstdio>

class Database;
class QIODevice;

// Writes every title of the phrase book, or of one category when category is not empty,
// sorted by category, then English title. Returns how many; throws BookError.
long long exportBook(Database& db, const QString& category, BookFormat format, QIODevice& out,
                     std::FILE* progress = nullptr);
