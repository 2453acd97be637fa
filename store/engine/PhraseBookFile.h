#pragma once

#include <QByteArray>
#include <QString>

// What a new phrase book file holds besides its tables.
enum class PhraseBookContents {
    TablesOnly,   // empty tables
    Options,      // the seven option rows
    OptionsSample // the option rows and the sample phrase book
};

// Makes a new phrase book file at path. The file appears complete or not at all, and an
// existing file is never replaced. Returns an error message, empty on success.
QString createPhraseBook(const QString& path, PhraseBookContents contents);

// One of the SQL scripts a phrase book is made from (schema.sql, memory.sql, options.sql,
// sample.sql), as built into the program.
QByteArray phraseBookScript(const char* name);
