#include "BookGenerator.h"
#include "TestFolder.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool isAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

class TestBookGenerator : public QObject {
    Q_OBJECT

private slots:
    // The same seed makes the same file, another seed other titles.
    void seeds()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(u"a.mdb"_s), second = dir.filePath(u"b.mdb"_s);
        const QString other = dir.filePath(u"c.mdb"_s);
        QCOMPARE(generatePhraseBook(first, smallBook(), 42), QString());
        QCOMPARE(generatePhraseBook(second, smallBook(), 42), QString());
        QCOMPARE(generatePhraseBook(other, smallBook(), 43), QString());
        for (const QString& sql : {u"SELECT * FROM タイトル ORDER BY rowid"_s,
                                   u"SELECT * FROM カテゴリ ORDER BY rowid"_s,
                                   u"SELECT * FROM オプション ORDER BY rowid"_s})
            QCOMPARE(rowsOf(first, sql), rowsOf(second, sql));
        QVERIFY(rowsOf(first, u"SELECT * FROM タイトル"_s) !=
                rowsOf(other, u"SELECT * FROM タイトル"_s));
        // An existing file is never replaced.
        QVERIFY(!generatePhraseBook(first, smallBook(), 1).isEmpty());
        QCOMPARE(rowsOf(first, u"SELECT COUNT(*) FROM タイトル"_s), QStringList{u"1000"_s});
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
        QCOMPARE(rowsOf(file, u"SELECT COUNT(*), COUNT(DISTINCT lower(タイトル名_英語)), "
                              u"COUNT(DISTINCT タイトル名_日本語) FROM タイトル"_s),
                 QStringList{u"100000|100000|100000"_s});
        QCOMPARE(rowsOf(file, u"SELECT COUNT(*) FROM カテゴリ"_s), QStringList{u"1000"_s});
        // Every title is filed under a category of the table, in the sizes of the shape.
        const QStringList counts = rowsOf(
            file, u"SELECT c.カテゴリ名, COUNT(t.rowid) FROM カテゴリ c LEFT JOIN タイトル t "
                  u"ON t.カテゴリ名 = c.カテゴリ名 GROUP BY c.カテゴリ名"_s);
        QCOMPARE(counts.size(), 1000);
        const std::vector<int> sizes = categorySizes(largeBook());
        for (int c = 0; c < 1000; ++c)
            QVERIFY(counts.contains(categoryName(c) + u'|' +
                                    QString::number(sizes[static_cast<std::size_t>(c)])));
        QVERIFY(counts.contains(u"日常会話|32767"_s));
        QCOMPARE(sizes[1], 1000);
        // The categories without a fixed size share the rest evenly.
        const auto [low, high] = std::minmax_element(
            sizes.begin() + static_cast<long>(largeBook().fixedSizes.size()), sizes.end());
        QVERIFY(*high - *low <= 1);
        QCOMPARE(rowsOf(file, u"SELECT COUNT(*) FROM オプション"_s), QStringList{u"7"_s});
    }
};

QTEST_GUILESS_MAIN(TestBookGenerator)
#include "tst_bookgenerator.moc"
