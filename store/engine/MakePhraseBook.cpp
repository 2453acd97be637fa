// Build tool: makes the default phrase book next to the program, only where none exists.

#include "PhraseBookFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 || args[1] != QLatin1String("--if-missing")) {
        std::fprintf(stderr, "usage: wordlark_mkbook --if-missing PATH\n");
        return 2;
    }
    const QString path = args[2];
    if (QFileInfo::exists(path))
        return 0;
    const QString error = createPhraseBook(path, PhraseBookContents::OptionsSample);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "wordlark_mkbook: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
