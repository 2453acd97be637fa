#include "DatabasePath.h"

QString DatabasePath(const QString& folder)
{
    return folder + QLatin1String("/wordlark.mdb");
}
