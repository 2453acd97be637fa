#include "BookExport.h"

#include "BookError.h"
#include "BookFile.h"
#include "Database.h"
#include "Progress.h"
#include "RecordWriter.h"
#include "Statement.h"

#include <QIODevice>

#include <sqlite3.h>

namespace {

QByteArrayView column(sqlite3_stmt* stmt, int i)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
    return QByteArrayView(text, sqlite3_column_bytes(stmt, i));
}

bool hasCategory(Database& db, const QString& category)
{
    Statement find(db.handle(), QStringLiteral("SELECT 1 FROM カテゴリ WHERE カテゴリ名 = ?"));
    find.bind(1, category);
    return sqlite3_step(find.handle()) == SQLITE_ROW;
}

} // namespace

long long exportBook(Database& db, const QString& category, BookFormat format, QIODevice& out,
                     std::FILE* progress)
{
    if (!category.isEmpty() && !hasCategory(db, category))
        throw BookError(QStringLiteral("no category \"%1\" in the phrase book").arg(category));
    // The index on (category, English title) gives this order without sorting.
    QString select =
        QStringLiteral("SELECT カテゴリ名, タイトル名_英語, タイトル名_日本語, 英文, 和訳 "
                       "FROM タイトル");
    if (!category.isEmpty())
        select += QStringLiteral(" WHERE カテゴリ名 = ?");
    select += QStringLiteral(" ORDER BY カテゴリ名, タイトル名_英語");
    Statement rows(db.handle(), select);
    if (!category.isEmpty())
        rows.bind(1, category);

    RecordWriter writer(out, format);
    writer.writeHeader();
    Progress shown(progress, "exporting");
    long long count = 0;
    TitleView title;
    int rc;
    while ((rc = sqlite3_step(rows.handle())) == SQLITE_ROW) {
        for (int i = 0; i < ColumnCount; ++i)
            title[i] = column(rows.handle(), i);
        writer.writeTitle(title);
        shown.show(++count, 0, "titles");
    }
    if ((rc & 0xff) == SQLITE_BUSY)
        throw BookError(busyMessage(bookPath(db)));
    if (rc != SQLITE_DONE)
        throw BookError(QStringLiteral("reading the phrase book failed: %1")
                            .arg(QString::fromUtf8(sqlite3_errmsg(db.handle()))));
    if (!writer.flush())
        throw BookError(QStringLiteral("writing failed: %1").arg(out.errorString()));
    return count;
}
