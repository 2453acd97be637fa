#include "DefaultBook.h"

#include "BookPlaces.h"
#include "DatabasePath.h"

#include <QCoreApplication>

QString defaultBook()
{
    // The tool is installed next to wordlark and finds the same book by the same rule: the file
    // in the program's folder, else the user's own. The name picks the user's data folder.
    QCoreApplication::setApplicationName(QStringLiteral("wordlark"));
    return DatabasePath(ProgramBookPlaces());
}
