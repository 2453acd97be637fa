#include "TestFolder.h"

#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTest>

#include <sqlite3.h>

#include <memory>

#include <unistd.h>

namespace {

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Connection connect(const QString& file)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    return Connection(db, sqlite3_close);
}

void fail(const QString& sql, sqlite3* db)
{
    const QString message = sql + QLatin1String(": ") + QString::fromUtf8(sqlite3_errmsg(db));
    QTest::qFail(qPrintable(message), __FILE__, __LINE__);
}

} // namespace

TestFolder::TestFolder(PhraseBookContents contents)
{
    const QString error = createPhraseBook(file(), contents);
    if (!error.isEmpty())
        qFatal("can't make a phrase book: %s", qPrintable(error));
}

void TestFolder::exec(const QString& sql) const
{
    const Connection db = connect(file());
    if (sqlite3_exec(db.get(), sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(sql, db.get());
}

bool TestFolder::setReadOnly(bool readOnly) const
{
    if (geteuid() == 0)
        return QProcess::execute(
                   QStringLiteral("chattr"),
                   {readOnly ? QStringLiteral("+i") : QStringLiteral("-i"), file()}) == 0;
    return QFile::setPermissions(file(), readOnly ? QFile::ReadOwner
                                                  : QFile::ReadOwner | QFile::WriteOwner);
}

void TestFolder::setOption(const QString& name, const QString& value) const
{
    exec(QStringLiteral("UPDATE オプション SET Option_Value = '%1' WHERE Option_Name = '%2'")
             .arg(value, name));
}

void TestFolder::addTitles() const
{
    exec(QStringLiteral(
        "INSERT INTO カテゴリ VALUES ('旅行'), ('仕事'), ('Don''t'), ('空');"
        "INSERT INTO タイトル VALUES"
        " ('Good morning', 'おはよう', 'Good morning.', 'おはようございます。', '旅行'),"
        " ('hat shop', 'ぼうし屋', 'Where is the hat shop?', 'ぼうし屋はどこ？', '旅行'),"
        " ('Airport', '空港', 'To the airport.', '空港まで。', '旅行'),"
        " ('hot tea', 'あついお茶', 'Hot tea, please.', 'あついお茶をください。', '旅行'),"
        " ('Deadline', '締め切り', 'When is it due?', 'いつまでですか？', '仕事'),"
        " ('It’s mine', 'わたしの', 'It''s mine.', 'わたしのです。', 'Don''t')"));
}

QStringList rowsOf(const QString& file, const QString& sql)
{
    const Connection db = connect(file);
    sqlite3_stmt* raw = nullptr;
    QStringList result;
    if (sqlite3_prepare16_v2(db.get(), sql.utf16(), -1, &raw, nullptr) != SQLITE_OK) {
        fail(sql, db.get());
        return result;
    }
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, sqlite3_finalize);
    // A value's first character is its own, even U+FEFF or U+FFFE.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                  QStringConverter::Flag::Stateless);
    while (sqlite3_step(raw) == SQLITE_ROW) {
        QStringList columns;
        for (int i = 0; i < sqlite3_column_count(raw); ++i)
            columns << (sqlite3_column_type(raw, i) == SQLITE_NULL
                            ? QStringLiteral("<null>")
                            : QString(utf8(QByteArrayView(sqlite3_column_text(raw, i),
                                                          sqlite3_column_bytes(raw, i)))));
        result << columns.join(QLatin1Char('|'));
    }
    return result;
}
