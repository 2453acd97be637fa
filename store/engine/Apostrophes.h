#pragma once

#include <QString>

// English titles are stored with every apostrophe (U+0027) turned into a right single
// quotation mark (U+2019), so they can always be written between apostrophes in a statement.
QString ReplaceApostrophes(const QString& text);

// A text put between apostrophes in a statement, each apostrophe doubled so that the text
// stays one literal whatever the user typed.
QString escapeApostrophes(const QString& text);
