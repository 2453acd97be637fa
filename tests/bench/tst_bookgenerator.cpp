#include "BookGenerator.h"

#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <numeric>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(BookShape)

namespace {

// Every row of a query, each row's columns joined by '|'.
QStringList rows(const QString& file, const QString& sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, sqlite3_close);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare16_v2(raw, sql.utf16(), -1, &stmt, nullptr) != SQLITE_OK)
        qFatal("%s: %s", qPrintable(sql), sqlite3_errmsg(raw));
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> owner(stmt, sqlite3_finalize);
    QStringList result;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList columns;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i)
            columns << QString::fromUtf16(
                static_cast<const char16_t*>(sqlite3_column_text16(stmt, i)),
                sqlite3_column_bytes16(stmt, i) / 2);
        result << columns.join(u'|');
    }
    return result;
}

bool isAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

class TestBookGenerator : public QObject {
    Q_OBJECT

private slots:
    void shapes_data()
    {
        QTest::addColumn<BookShape>("shape");
        QTest::addColumn<int>("titles");
        QTest::addColumn<int>("categories");
        QTest::addColumn<QList<int>>("firstSizes");
        QTest::newRow("small") << smallBook() << 1000 << 20 << QList<int>{50, 50};
        QTest::newRow("large") << largeBook() << 100000 << 1000 << QList<int>{32767, 1000};
    }
    void shapes()
    {
        QFETCH(BookShape, shape);
        QFETCH(int, titles);
        QFETCH(int, categories);
        QFETCH(QList<int>, firstSizes);
        const std::vector<int> sizes = categorySizes(shape);
        QCOMPARE(static_cast<int>(sizes.size()), categories);
        QCOMPARE(std::accumulate(sizes.begin(), sizes.end(), 0), titles);
        for (int i = 0; i < firstSizes.size(); ++i)
            QCOMPARE(sizes[static_cast<std::size_t>(i)], firstSizes[i]);
        // The categories without a fixed size share the rest evenly.
        const auto rest = sizes.begin() + static_cast<long>(shape.fixedSizes.size());
        const auto [low, high] = std::minmax_element(rest, sizes.end());
        QVERIFY(*high - *low <= 1);
    }

    void sameSeedSameTitles()
    {
        const auto a = generateTitles(smallBook(), 7);
        const auto b = generateTitles(smallBook(), 7);
        const auto c = generateTitles(smallBook(), 8);
        QCOMPARE(a.size(), b.size());
        bool differs = false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            QCOMPARE(a[i].english, b[i].english);
            QCOMPARE(a[i].japanese, b[i].japanese);
            QCOMPARE(a[i].translation, b[i].translation);
            QCOMPARE(a[i].category, b[i].category);
            differs = differs || a[i].english != c[i].english || a[i].category != c[i].category;
        }
        QVERIFY(differs);
    }

    void sameSeedSameFile()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(u"a.mdb"_s), second = dir.filePath(u"b.mdb"_s);
        QCOMPARE(generatePhraseBook(first, smallBook(), 42), QString());
        QCOMPARE(generatePhraseBook(second, smallBook(), 42), QString());
        for (const QString& sql : {u"SELECT * FROM タイトル ORDER BY rowid"_s,
                                   u"SELECT * FROM カテゴリ ORDER BY rowid"_s,
                                   u"SELECT * FROM オプション ORDER BY rowid"_s})
            QCOMPARE(rows(first, sql), rows(second, sql));
        // An existing file is never replaced.
        QVERIFY(!generatePhraseBook(first, smallBook(), 1).isEmpty());
        QCOMPARE(rows(first, u"SELECT COUNT(*) FROM タイトル"_s), QStringList{u"1000"_s});
    }

    void titlesAreRealistic()
    {
        for (const GeneratedTitle& title : generateTitles(smallBook(), 3)) {
            QVERIFY2(title.english.size() >= 20 && title.english.size() <= 80,
                     qPrintable(title.english));
            QVERIFY2(title.japanese.size() >= 8 && title.japanese.size() <= 40,
                     qPrintable(title.japanese));
            // English titles are stored with ’, as the program stores them.
            QVERIFY(!title.english.contains(u'\''));
            QVERIFY(!isAscii(title.japanese));
            QVERIFY(title.sentence.startsWith(title.english));
            QVERIFY(title.translation.startsWith(title.japanese));
        }
    }

    void largeBookFile()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"wordlark.mdb"_s);
        QCOMPARE(generatePhraseBook(file, largeBook(), 1), QString());
        QCOMPARE(rows(file, u"SELECT COUNT(*), COUNT(DISTINCT lower(タイトル名_英語)), "
                            u"COUNT(DISTINCT タイトル名_日本語) FROM タイトル"_s),
                 QStringList{u"100000|100000|100000"_s});
        QCOMPARE(rows(file, u"SELECT COUNT(*) FROM カテゴリ"_s), QStringList{u"1000"_s});
        // Every title is filed under a category of the table, in the sizes of the shape.
        const QStringList counts =
            rows(file, u"SELECT c.カテゴリ名, COUNT(t.rowid) FROM カテゴリ c LEFT JOIN タイトル t "
                       u"ON t.カテゴリ名 = c.カテゴリ名 GROUP BY c.カテゴリ名"_s);
        QCOMPARE(counts.size(), 1000);
        const std::vector<int> sizes = categorySizes(largeBook());
        for (int c = 0; c < 1000; ++c)
            QVERIFY(counts.contains(categoryName(c) + u'|' +
                                    QString::number(sizes[static_cast<std::size_t>(c)])));
        QVERIFY(counts.contains(u"日常会話|32767"_s));
        QCOMPARE(rows(file, u"SELECT COUNT(*) FROM オプション"_s), QStringList{u"7"_s});
    }
};

QTEST_GUILESS_MAIN(TestBookGenerator)
#include "tst_bookgenerator.moc"
