#pragma once

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

// The everyday sentences of corpus.txt, one a line; the program ends if the file can't be read.
inline QStringList readCorpus()
{
    QFile file(QStringLiteral(WORDLARK_SPEECH_CORPUS));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", WORDLARK_SPEECH_CORPUS);
        std::exit(2);
    }
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}
