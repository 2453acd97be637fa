#include "Apostrophes.h"
#include "PhraseBook.h"
#include "StoreTexts.h"
#include "StoreWidgets.h"
#include "TestFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestPhraseBook : public QObject {
    Q_OBJECT

private slots:
    void replaceApostrophes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("contraction") << u"Don't"_s << u"Don’t"_s;
        QTest::newRow("two in a row") << u"a''b"_s << u"a’’b"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no apostrophe") << u"Hello"_s << u"Hello"_s;
        QTest::newRow("other quotes kept") << u"‘x’ \"y\""_s << u"‘x’ \"y\""_s;
    }
    void replaceApostrophes()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(ReplaceApostrophes(text), expected);
        QCOMPARE(ReplaceApostrophes(text).size(), text.size());
    }

    // The categories replace the box's items, the first one as its text. The walk counts in
    // 16 bits: 32 767 rows are listed, one more is the lookup's error before any row is
    // visited. A failure during the walk leaves the rows added before it. Each way the file
    // can be unusable has its own text. No handle stays open, whatever happened.
    void listCategories_data()
    {
        // SQL, or "<missing>", "<folder>" or "<bytes>" and the file's bytes in its place
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("status");
        using namespace StoreTexts;
        const QStringList old{u"old"_s, u"older"_s}, three{u"旅行"_s, u"Work"_s, u"あいさつ"_s};
        const QString typed = u"typed"_s, before = u"before"_s;
        auto many = [](int count) {
            return u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)"
                   " INSERT INTO カテゴリ SELECT 'c' || i FROM n"_s.arg(count);
        };
        QStringList most;
        for (int i = 1; i <= 32767; ++i)
            most << u"c"_s + QString::number(i);
        const QString inOrder = u"INSERT INTO カテゴリ VALUES ('旅行'), ('Work'), ('あいさつ')"_s;
        // Another tool may have dropped the constraints and stored a Null.
        const QString withNull = u"DROP TABLE カテゴリ; CREATE TABLE カテゴリ (カテゴリ名 TEXT);"
                                 "INSERT INTO カテゴリ VALUES ('a'), ('b'), (NULL), ('d')"_s;
        const QString header = u"<bytes>SQLite format 3\0\x10\0"_s;
        const QStringList ab{u"a"_s, u"b"_s};
        const QString text = u"<bytes>"_s + u"just some text\n"_s.repeated(200);
        QTest::newRow("in the file's order") << inOrder << three << u"旅行"_s << before;
        QTest::newRow("none keeps the box") << QString() << old << typed << noCategories;
        QTest::newRow("32767") << many(32767) << most << u"c1"_s << before;
        QTest::newRow("32768") << many(32768) << old << typed << listCategoriesFailed;
        QTest::newRow("Null while walking") << withNull << ab << u"a"_s << listCategoriesFailed;
        QTest::newRow("missing") << u"<missing>"_s << old << typed << fileMissing;
        QTest::newRow("folder in its place") << u"<folder>"_s << old << typed << fileUnopenable;
        QTest::newRow("zero bytes") << u"<bytes>"_s << old << typed << fileDamaged;
        QTest::newRow("text file") << text << old << typed << fileDamaged;
        QTest::newRow("truncated header") << header << old << typed << fileDamaged;
    }
    void listCategories()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, items);
        QFETCH(QString, text);
        QFETCH(QString, status);
        TestFolder folder;
        const bool unusable = setup.startsWith(u'<');
        if (unusable) {
            QFile::remove(folder.file());
            if (setup == u"<folder>"_s)
                QVERIFY(QDir(folder.path()).mkdir(u"wordlark.mdb"_s));
        } else if (!setup.isEmpty()) {
            folder.exec(setup);
        }
        if (setup.startsWith(u"<bytes>"_s)) {
            QFile file(folder.file());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(setup.mid(7).toLatin1());
        }
        StoreWidgets c;
        c.combo.addItems({u"old"_s, u"older"_s});
        c.combo.setEditText(u"typed"_s);
        c.status.setText(u"before"_s);
        PhraseBook(folder.path(), c.view()).ListCategories();
        QCOMPARE(c.items(), items);
        QCOMPARE(c.combo.currentText(), text);
        QCOMPARE(c.status.text(), status);
        QCOMPARE(openFileCount(), 0);
        QCOMPARE(QFile::exists(folder.file()), setup != u"<missing>"_s); // never made
        if (unusable)
            return;
        // and the file is free for a writer at once
        folder.exec(u"INSERT INTO オプション VALUES ('x', 'y')"_s);
    }
};

QTEST_MAIN(TestPhraseBook)
#include "tst_phrasebook.moc"
