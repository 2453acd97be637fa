// The phrase book under bad files, another connection's locks, edits from elsewhere and values
// other tools wrote. SQLite's locks hold between connections of one process, so the other
// program is a second connection here.
#include "Database.h"
#include "PhraseBook.h"
#include "StoreTexts.h"
#include "StoreWidgets.h"
#include "TestFolder.h"

#include <QApplication>
#include <QDir>
#include <QTest>

#include <sqlite3.h>

#include <chrono>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Another program's transaction on the file, committed after the given time.
struct Locker {
    sqlite3* db = nullptr;
    bool locked = false;
    std::thread release;

    Locker(const QString& file, const char* begin, int milliseconds)
    {
        sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db, 10000);
        locked = sqlite3_exec(db, begin, nullptr, nullptr, nullptr) == SQLITE_OK;
        release = std::thread([this, milliseconds] {
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        });
    }
    ~Locker() { release.join(); }
};

// Ways a phrase book can be unusable, then ways it is usable with a hitch, which need no
// restoring.
enum class Damage { Missing, Empty, Cut, Text, ReadOnly, Folder, Busy, Locked, Briefly, Wal };

// Does the damage; false when it can't be done here.
bool damage(const TestFolder& folder, Damage kind, std::unique_ptr<Locker>& locker)
{
    const QString file = folder.file();
    QFile out(file);
    switch (kind) {
    case Damage::Missing:
        return out.remove();
    case Damage::Empty:
        return out.resize(0);
    case Damage::Cut:
        return out.resize(out.size() / 2);
    case Damage::Text:
        return out.open(QIODevice::WriteOnly) &&
               out.write("カテゴリ,タイトル\n旅行,Airport\n"_ba.repeated(100)) > 0;
    case Damage::ReadOnly:
        return folder.setReadOnly(true);
    case Damage::Folder:
        return out.remove() && QDir(folder.path()).mkdir(u"wordlark.mdb"_s);
    case Damage::Busy: // for reading too, past the lookup's and the edit's busy timeouts
        locker = std::make_unique<Locker>(file, "BEGIN EXCLUSIVE", 15000);
        return locker->locked;
    case Damage::Locked: // past the busy timeout
    case Damage::Briefly:
        locker =
            std::make_unique<Locker>(file, "BEGIN IMMEDIATE", kind == Damage::Locked ? 8000 : 500);
        return locker->locked;
    case Damage::Wal: // as another tool may leave it
        return folder.rows(u"PRAGMA journal_mode=WAL"_s) == QStringList{u"wal"_s};
    }
    return false;
}

void restore(const TestFolder& folder, const QString& good)
{
    if (QFileInfo::exists(folder.file()))
        folder.setReadOnly(false);
    QDir(folder.file()).removeRecursively();
    QFile::remove(folder.file());
    QFile::copy(good, folder.file());
}

// The store's controls on the test folder's titles, 旅行 chosen.
struct Book : StoreWidgets {
    TestFolder folder;
    PhraseBook book{folder.path(), view()};

    Book()
    {
        folder.addTitles();
        combo.setEditText(u"旅行"_s);
    }
};

} // namespace

Q_DECLARE_METATYPE(Damage)

class TestReliability : public QObject {
    Q_OBJECT

private slots:
    // The program carries on, says what is wrong, holds no handle, and works again once the
    // file is usable; no file but the phrase book is left.
    void unusableFile_data()
    {
        QTest::addColumn<Damage>("kind");
        QTest::addColumn<QString>("lookup"); // status after listing the categories
        QTest::addColumn<QString>("edit");   // status after deleting a title
        using namespace StoreTexts;
        QTest::newRow("missing") << Damage::Missing << fileMissing << fileMissing;
        QTest::newRow("zero bytes") << Damage::Empty << fileDamaged << fileDamaged;
        QTest::newRow("truncated") << Damage::Cut << fileDamaged << fileDamaged;
        QTest::newRow("text file") << Damage::Text << fileDamaged << fileDamaged;
        QTest::newRow("read-only") << Damage::ReadOnly << QString() << deleteTitleFailed;
        QTest::newRow("folder in its place") << Damage::Folder << fileUnopenable << fileUnopenable;
        QTest::newRow("busy") << Damage::Busy << fileBusy << fileBusy;
        QTest::newRow("locked") << Damage::Locked << QString() << deleteTitleFailed;
        QTest::newRow("locked, let go in time") << Damage::Briefly << QString() << deleted;
        QTest::newRow("left in WAL mode") << Damage::Wal << QString() << deleted;
    }
    void unusableFile()
    {
        QFETCH(Damage, kind);
        QFETCH(QString, lookup);
        QFETCH(QString, edit);
        Book b;
        const QTemporaryDir keep;
        QFile::copy(b.folder.file(), keep.filePath(u"good"_s));
        b.book.ListCategories();
        {
            std::unique_ptr<Locker> locker;
            if (!damage(b.folder, kind, locker))
                QSKIP("can't make the file unusable this way here");
            b.book.ListCategories();
            QCOMPARE(b.status.text(), lookup);
            b.title.setText(u"Airport"_s);
            b.book.DeleteTitle(TitleMode::EJ);
            QCOMPARE(b.status.text(), edit);
        }
        QCOMPARE(openFileCount(), 0);
        if (kind < Damage::Busy)
            restore(b.folder, keep.filePath(u"good"_s));
        b.combo.setEditText(u"後"_s);
        QCOMPARE(b.book.AddCategory(), EditOutcome::Done);
        QCOMPARE(QDir(b.folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"wordlark.mdb"_s});
        QCOMPARE(b.folder.rows(u"PRAGMA journal_mode"_s), QStringList{u"delete"_s});
        QCOMPARE(b.folder.rows(u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
    }

    // The file goes, or is replaced, while a title waits for its second name, or another copy
    // deletes the title being updated: the edit is not reported as saved.
    void goneWhileEditing_data()
    {
        QTest::addColumn<int>("what"); // the file deleted, replaced, or the title deleted
        QTest::addColumn<QString>("status");
        QTest::newRow("file deleted while adding") << 0 << StoreTexts::addTitleFailed;
        QTest::newRow("file replaced while adding") << 1 << StoreTexts::addTitleFailed;
        QTest::newRow("title deleted while updating") << 2 << StoreTexts::updateTitleFailed;
    }
    void goneWhileEditing()
    {
        QFETCH(int, what);
        QFETCH(QString, status);
        Book b;
        const QString copy = b.folder.path() + u"/copy"_s;
        QFile::copy(b.folder.file(), copy);
        auto meddle = [&] {
            if (what == 2)
                return b.folder.exec(u"DELETE FROM タイトル"_s);
            QFile::remove(b.folder.file());
            if (what == 1)
                QFile::copy(copy, b.folder.file());
        };
        b.title.setText(what == 2 ? u"Airport"_s : u"Train"_s);
        // The empty sentence is written as a blank just before the row is saved.
        if (what == 2)
            connect(&b.english, &QPlainTextEdit::textChanged, this, meddle);
        const EditOutcome outcome = what == 2 ? b.book.UpdateTitle(TitleMode::EJ)
                                              : b.book.AddTitle(TitleMode::EJ, [&](const QString&) {
                                                    meddle();
                                                    return u"電車"_s;
                                                });
        QCOMPARE(outcome, EditOutcome::Failed);
        QCOMPARE(b.status.text(), status);
        QCOMPARE(openFileCount(), 0);
        if (what == 0)
            QFile::copy(copy, b.folder.file());
        QCOMPARE(b.folder.rows(u"SELECT count(*) FROM タイトル WHERE タイトル名_英語 = 'Train'"_s),
                 QStringList{u"0"_s});
    }

    // Every unit of a typed text reaches the file as typed, save a lone surrogate, which
    // can't be stored and becomes U+FFFD without taking its neighbour with it.
    void unusualUnitsStayAsTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("U+FFFE first") << u"\uFFFEab"_s << u"\uFFFEab"_s;
        QTest::newRow("U+FEFF first") << u"\uFEFFab"_s << u"\uFEFFab"_s;
        QTest::newRow("lone high surrogate") << u"x"_s + QChar(0xD800) + u"yz"_s << u"x\uFFFDyz"_s;
        QTest::newRow("lone low surrogate") << QChar(0xDC00) + u"yz"_s << u"\uFFFDyz"_s;
        QTest::newRow("surrogate pair") << u"😀!"_s << u"😀!"_s;
    }
    void unusualUnitsStayAsTyped()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        Book b;
        b.combo.setEditText(u"c"_s + text);
        b.title.setText(u"t"_s + text);
        b.english.setPlainText(text);
        b.translation.setPlainText(text);
        QCOMPARE(b.book.AddCategory(), EditOutcome::Done);
        QCOMPARE(b.book.AddTitle(TitleMode::EJ, [&](const QString&) { return u"j"_s + text; }),
                 EditOutcome::Done);
        b.list.addItems({u"t"_s + text});
        b.list.setCurrentRow(0);
        b.book.LoadTitle(TitleMode::EJ);
        QCOMPARE(
            (QStringList{b.title.text(), b.english.toPlainText(), b.translation.toPlainText()}),
            (QStringList{u"t"_s + shown, shown, shown}));

        // A lone surrogate before an apostrophe must not end the literal early.
        b.combo.setEditText(text + u"' OR 1=1 --"_s);
        QCOMPARE(b.book.DeleteCategoryTitles(TitleMode::EJ), EditOutcome::NotFound);
        b.title.setText(text + u"' OR ''='"_s);
        QCOMPARE(b.book.DeleteTitle(TitleMode::JE), EditOutcome::NotFound);
        QCOMPARE(b.folder.rows(u"SELECT count(*) FROM タイトル"_s), QStringList{u"7"_s});
    }

    // The categories replace the box's items in the file's order, the first one as its text.
    // The walk counts in
    // 16 bits: 32 767 rows are listed, one more is the lookup's error before any row is
    // visited. A failure during the walk leaves the rows added before it.
    void listCategories_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("status");
        using namespace StoreTexts;
        const QStringList old{u"old"_s, u"older"_s};
        auto many = [](int count) {
            return u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)"
                   " INSERT INTO カテゴリ SELECT 'c' || i FROM n"_s.arg(count);
        };
        QStringList most;
        for (int i = 1; i <= 32767; ++i)
            most << u"c"_s + QString::number(i);
        // Another tool may have dropped the constraints and stored a Null.
        const QString withNull = u"DROP TABLE カテゴリ; CREATE TABLE カテゴリ (カテゴリ名 TEXT);"
                                 "INSERT INTO カテゴリ VALUES ('a'), ('b'), (NULL), ('d')"_s;
        const QStringList ab{u"a"_s, u"b"_s};
        QTest::newRow("none keeps the box") << QString() << old << u"typed"_s << noCategories;
        QTest::newRow("32767") << many(32767) << most << u"c1"_s << u"before"_s;
        QTest::newRow("32768") << many(32768) << old << u"typed"_s << listCategoriesFailed;
        QTest::newRow("Null while walking") << withNull << ab << u"a"_s << listCategoriesFailed;
    }
    // A text of more than one statement is refused and leaves no handle open.
    void moreThanOneStatement()
    {
        TestFolder folder;
        {
            Database db(folder.file());
            QVERIFY_THROWS_EXCEPTION(OpenError,
                                     db.openResult(u"SELECT 1 FROM カテゴリ; SELECT 2"_s));
        }
        QCOMPARE(openFileCount(), 0);
    }

    void listCategories()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, items);
        QFETCH(QString, text);
        QFETCH(QString, status);
        TestFolder folder;
        if (!setup.isEmpty())
            folder.exec(setup);
        StoreWidgets c;
        c.combo.addItems({u"old"_s, u"older"_s});
        c.combo.setEditText(u"typed"_s);
        c.status.setText(u"before"_s);
        PhraseBook(folder.path(), c.view()).ListCategories();
        for (int i = 0; i < c.combo.count(); ++i)
            QCOMPARE(c.combo.itemText(i), items.value(i));
        QCOMPARE(c.combo.count(), items.size());
        QCOMPARE(c.combo.currentText(), text);
        QCOMPARE(c.status.text(), status);
        QCOMPARE(openFileCount(), 0);
    }
};

QTEST_MAIN(TestReliability)
#include "tst_reliability.moc"
