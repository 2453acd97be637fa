#pragma once

#include <cstdint>

class Database;
class QIODevice;

// wordlark-book reviews: one line on what the drill remembers, or with rebuild, every title's
// memory written anew from the review log. Throws BookError.
int reviewBook(Database& db, bool rebuild, std::int64_t now, QIODevice& out, QIODevice& err);
