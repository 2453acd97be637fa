// wordlark-book: imports and exports the titles of a phrase book as TSV, CSV or Anki notes,
// and keeps its review memory.

#include "BookCommand.h"
#include "DefaultBook.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // wordlark's name, so that the user's data folder is the program's.
    QCoreApplication::setApplicationName(QStringLiteral("wordlark"));
    QFile out, err;
    if (!out.open(stdout, QIODevice::WriteOnly) || !err.open(stderr, QIODevice::WriteOnly))
        return 1;
    BookEnvironment environment;
    environment.defaultBook = defaultBook();
    if (isatty(STDERR_FILENO))
        environment.progress = stderr;
    return runBookCommand(app.arguments().mid(1), out, err, environment);
}
