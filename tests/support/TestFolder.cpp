#include "TestFolder.h"

#include "DatabasePath.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <sqlite3.h>

#include <memory>

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Connection connect(const QString& file)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    return Connection(db, sqlite3_close);
}

} // namespace

TestFolder::TestFolder(PhraseBookContents contents)
{
    const QString error = createPhraseBook(file(), contents);
    if (!error.isEmpty())
        qFatal("can't make a phrase book: %s", qPrintable(error));
}

QString TestFolder::file() const
{
    return DatabasePath(m_dir.path());
}

void TestFolder::exec(const QString& sql) const
{
    const Connection db = connect(file());
    char* error = nullptr;
    if (sqlite3_exec(db.get(), sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error);
        sqlite3_free(error);
        QTest::qFail(qPrintable(QStringLiteral("%1: %2").arg(sql, message)), __FILE__, __LINE__);
    }
}

QStringList TestFolder::rows(const QString& sql) const
{
    const Connection db = connect(file());
    sqlite3_stmt* raw = nullptr;
    QStringList result;
    if (sqlite3_prepare16_v2(db.get(), sql.utf16(), -1, &raw, nullptr) != SQLITE_OK) {
        QTest::qFail(
            qPrintable(sql + QLatin1String(": ") + QString::fromUtf8(sqlite3_errmsg(db.get()))),
            __FILE__, __LINE__);
        return result;
    }
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, sqlite3_finalize);
    while (sqlite3_step(raw) == SQLITE_ROW) {
        QStringList columns;
        for (int i = 0; i < sqlite3_column_count(raw); ++i)
            columns << (sqlite3_column_type(raw, i) == SQLITE_NULL
                            ? QStringLiteral("<null>")
                            : QString::fromUtf16(
                                  static_cast<const char16_t*>(sqlite3_column_text16(raw, i)),
                                  sqlite3_column_bytes16(raw, i) / 2));
        result << columns.join(QLatin1Char('|'));
    }
    return result;
}

int openFileCount(const QString& name)
{
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget().endsWith(name))
            ++count;
    return count;
}
