#include "BookFile.h"

#include "BookError.h"
#include "Database.h"
#include "EngineError.h"
#include "Statement.h"

#include <sqlite3.h>

QString bookPath(Database& db)
{
    return QString::fromUtf8(sqlite3_db_filename(db.handle(), "main"));
}

QString busyMessage(const QString& path)
{
    return QStringLiteral("%1: the phrase book stayed locked by another program (is wordlark "
                          "saving?); try again")
        .arg(path);
}

namespace {

BookError notAPhraseBook(const QString& path, const std::exception& e)
{
    return BookError(QStringLiteral("%1: not a WORDLARK phrase book (%2)")
                         .arg(path, QString::fromUtf8(e.what())));
}

} // namespace

std::unique_ptr<Database> openBook(const QString& path, int busyTimeoutMs)
{
    std::unique_ptr<Database> db;
    try {
        db = std::make_unique<Database>(path);
    } catch (const OpenError& e) {
        if (e.failure() == OpenFailure::Missing)
            throw BookError(QStringLiteral("%1: no phrase book there (make one with "
                                           "\"wordlark-book new %1\")")
                                .arg(path));
        if (e.failure() == OpenFailure::Busy)
            throw BookError(busyMessage(path));
        if (e.failure() == OpenFailure::Damaged)
            throw notAPhraseBook(path, e);
        throw BookError(
            QStringLiteral("%1: can't open it: %2").arg(path, QString::fromUtf8(e.what())));
    }
    sqlite3_busy_timeout(db->handle(), busyTimeoutMs);
    // Every column the tool reads or writes must be there.
    try {
        Statement(db->handle(),
                  QStringLiteral("SELECT タイトル名_英語, タイトル名_日本語, 英文, 和訳, "
                                 "カテゴリ名 FROM タイトル LIMIT 0"));
        Statement(db->handle(), QStringLiteral("SELECT カテゴリ名 FROM カテゴリ LIMIT 0"));
        Statement(db->handle(), QStringLiteral("SELECT Option_Name FROM オプション LIMIT 0"));
    } catch (const EngineError& e) {
        const int rc = sqlite3_errcode(db->handle());
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            throw BookError(busyMessage(path));
        throw notAPhraseBook(path, e);
    }
    return db;
}
