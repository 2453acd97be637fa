#include "BookPlaces.h"

#include <QCoreApplication>
#include <QStandardPaths>

BookPlaces ProgramBookPlaces()
{
    const QString folder = QCoreApplication::applicationDirPath();
    return {folder, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
            folder + QLatin1String("/" WORDLARK_TEMPLATE_FROM_PROGRAM "/wordlark.mdb")};
}
