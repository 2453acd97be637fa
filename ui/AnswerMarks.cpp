#include "AnswerMarks.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCharFormat>

namespace {

QTextCharFormat markOn(QColor colour)
{
    QTextCharFormat format;
    format.setBackground(colour);
    return format;
}

const QColor kWrong(0xff, 0xa0, 0xa0);
const QColor kMissing(0xff, 0xe0, 0x60);

} // namespace

void AnswerMarks::show(const AnswerDiff& diff, QLineEdit* answer, QPlainTextEdit* reference)
{
    clear();
    // A line edit draws formats only as an input method gives them, relative to the cursor.
    QList<QInputMethodEvent::Attribute> formats;
    for (const TextSpan& span : diff.wrong)
        formats << QInputMethodEvent::Attribute(
            QInputMethodEvent::TextFormat, static_cast<int>(span.from) - answer->cursorPosition(),
            static_cast<int>(span.length), markOn(kWrong));
    if (!formats.isEmpty()) {
        QInputMethodEvent event(QString(), formats);
        QCoreApplication::sendEvent(answer, &event);
        m_answer = answer;
        QObject::connect(
            answer, &QLineEdit::textChanged, answer, [this] { clearAnswer(); },
            Qt::SingleShotConnection);
    }

    QList<QTextEdit::ExtraSelection> marks;
    for (const TextSpan& span : diff.missing) {
        QTextCursor cursor(reference->document());
        cursor.setPosition(static_cast<int>(span.from));
        cursor.setPosition(static_cast<int>(span.from + span.length), QTextCursor::KeepAnchor);
        marks << QTextEdit::ExtraSelection{cursor, markOn(kMissing)};
    }
    if (!marks.isEmpty()) {
        reference->setExtraSelections(marks);
        m_reference = reference;
        QObject::connect(
            reference, &QPlainTextEdit::textChanged, reference,
            [reference] { reference->setExtraSelections({}); }, Qt::SingleShotConnection);
    }
}

void AnswerMarks::clear()
{
    clearAnswer();
    if (m_reference)
        m_reference->setExtraSelections({});
    m_reference = nullptr;
}

void AnswerMarks::clearAnswer()
{
    if (!m_answer)
        return;
    // Formats of none: the line edit draws its text plain again.
    QInputMethodEvent event(QString(), {});
    QCoreApplication::sendEvent(m_answer, &event);
    m_answer = nullptr;
}
