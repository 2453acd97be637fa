#include "DefaultBook.h"

#include "DatabasePath.h"

#include <QCoreApplication>

QString defaultBook()
{
    // The tool is installed next to wordlark, so its folder is the program's.
    return DatabasePath(QCoreApplication::applicationDirPath());
}
