#pragma once

#include "BookFormat.h"
#include "LineSource.h"

#include <QString>

#include <cstdio>
#include <functional>

class Database;
class QIODevice;

enum class OnDuplicate { Refuse, Skip, Update };

struct ImportOptions {
    BookFormat format = BookFormat::Tsv;
    TextEncoding encoding = TextEncoding::Detect;
    // The category of a two-column file's titles, and of Anki notes without a deck.
    QString category;
    // What a title does whose English or Japanese title is already in the phrase book.
    OnDuplicate onDuplicate = OnDuplicate::Refuse;
    bool dryRun = false;
};

struct ImportCounts {
    long long categoriesAdded = 0, added = 0, updated = 0, skipped = 0, problems = 0;
};

// Adds the titles of a file to the phrase book in one transaction. Every row is checked, and
// each problem goes to report as "NAME:LINE: what is wrong"; with any problem, or on a dry
// run, nothing is written. Throws BookError when the phrase book stays locked.
ImportCounts importBook(Database& db, QIODevice& in, const QString& name,
                        const ImportOptions& options,
                        const std::function<void(const QString&)>& report,
                        std::FILE* progress = nullptr);
