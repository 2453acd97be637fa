#pragma once

#include <QString>

class QPlainTextEdit;

// The text of a multi-line box as the user sees it. Unlike toPlainText(), it keeps
// non-breaking spaces and line separators, so a sentence shown and saved again is unchanged;
// only line ends become "\n".
QString plainTextOf(const QPlainTextEdit* box);
