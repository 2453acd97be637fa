#include "PlainText.h"

#include <QPlainTextEdit>
#include <QTextDocument>

QString plainTextOf(const QPlainTextEdit* box)
{
    return box->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}
