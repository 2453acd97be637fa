#pragma once
#include <QStringView>
#include <vector>

// Where a typed answer went wrong against the right one. Spans are in UTF-16 units of the texts.
struct TextSpan {
    qsizetype from = 0;
    qsizetype length = 0;
};
struct AnswerDiff {
    std::vector<TextSpan> wrong;   // characters of the answer that are not in the right one
    std::vector<TextSpan> missing; // characters of the right answer that the answer lacks
};

// The longest common blocks of the two texts, found as Python's difflib.SequenceMatcher (no junk
// function, its automatic junk rule for texts of 200 characters or more) finds them, over code
// points; what lies between the blocks is wrong in the answer and missing from the reference.
AnswerDiff diffAnswer(QStringView answer, QStringView reference);
