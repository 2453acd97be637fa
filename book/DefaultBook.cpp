#include "DefaultBook.h"

#include "BookPlaces.h"
#include "DatabasePath.h"

QString defaultBook()
{
    // The tool is installed next to wordlark and finds the same book by the same rule: the file
    // in the program's folder, else the user's own.
    return DatabasePath(ProgramBookPlaces());
}
