#pragma once

#include "AnswerDiff.h"

#include <QPointer>

class QLineEdit;
class QPlainTextEdit;

// Shows where a wrong answer went wrong, in the boxes themselves: the answer's wrong characters
// on red, the right answer's missing ones on yellow. Nothing moves or changes size; each box's
// marks go as soon as its text changes.
class AnswerMarks {
public:
    void show(const AnswerDiff& diff, QLineEdit* answer, QPlainTextEdit* reference);
    void clear();

private:
    void clearAnswer();

    QPointer<QLineEdit> m_answer;
    QPointer<QPlainTextEdit> m_reference;
};
