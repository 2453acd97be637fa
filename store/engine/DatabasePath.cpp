#include "DatabasePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QLatin1String kFileName("/wordlark.mdb");

// Copies the template into a new data folder. The copy appears whole under its name or not at
// all, with the user's own permissions rather than the template's read-only ones. A failed
// copy leaves no folder behind, so that the next operation tries again.
void copyTemplate(const QString& templateFile, const QString& dataFolder)
{
    QFile source(templateFile);
    if (!source.open(QIODevice::ReadOnly) || !QDir().mkpath(dataFolder))
        return;
    QSaveFile copy(dataFolder + kFileName);
    const QByteArray contents = source.readAll();
    if (!(copy.open(QIODevice::WriteOnly) && contents.size() == source.size() &&
          copy.write(contents) == contents.size() && copy.commit()))
        QDir().rmdir(dataFolder);
}

} // namespace

QString DatabasePath(const BookPlaces& places)
{
    const QString portable = places.programFolder + kFileName;
    if (places.dataFolder.isEmpty() || QFileInfo::exists(portable))
        return portable;
    if (!QFileInfo::exists(places.dataFolder))
        copyTemplate(places.templateFile, places.dataFolder);
    return places.dataFolder + kFileName;
}
