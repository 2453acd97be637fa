#include "PhraseBookFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sqlite3.h>

#include <memory>

QByteArray phraseBookScript(const char* name)
{
    QFile file(QLatin1String(":/data/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

namespace {

QString runScripts(const QString& path, PhraseBookContents contents)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, sqlite3_close);
    if (rc != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(raw));

    QByteArray sql = "BEGIN;" + phraseBookScript("schema.sql") + phraseBookScript("memory.sql");
    if (contents != PhraseBookContents::TablesOnly)
        sql += phraseBookScript("options.sql");
    if (contents == PhraseBookContents::OptionsSample)
        sql += phraseBookScript("sample.sql");
    sql += "COMMIT;";
    char* error = nullptr;
    if (sqlite3_exec(db.get(), sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error);
        sqlite3_free(error);
        return message;
    }
    return {};
}

} // namespace

QString createPhraseBook(const QString& path, PhraseBookContents contents)
{
    if (QFileInfo::exists(path))
        return QStringLiteral("%1 already exists").arg(path);
    // Built beside its place and moved there only when complete.
    const QString building = path + QLatin1String(".new");
    QFile::remove(building);
    QString error = runScripts(building, contents);
    if (error.isEmpty() && !QFile::rename(building, path))
        error = QStringLiteral("can't move %1 to %2").arg(building, path);
    QFile::remove(building);
    return error;
}
