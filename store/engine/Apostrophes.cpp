#include "Apostrophes.h"

QString ReplaceApostrophes(const QString& text)
{
    QString result = text;
    result.replace(QChar(u'\''), QChar(u'\u2019'));
    return result;
}

QString escapeApostrophes(const QString& text)
{
    QString result = text;
    result.replace(QChar(u'\''), QLatin1String("''"));
    return result;
}
