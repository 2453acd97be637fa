// The phrase book under bad files, other programs, kills and values other tools wrote. The
// test program is also the second program on the file, started with "--helper":
//   --helper hold <file> <milliseconds>        holds a write transaction open, then commits
//   --helper edit <folder> <name> <count> [die] registers and updates titles in "new", deletes
//       every third, and at the fourth deletes the titles of category <name>; "die" kills
//       itself as that returns. Each step is reported on stdout as soon as it is done.
#include "PhraseBook.h"
#include "StoreTexts.h"
#include "StoreWidgets.h"
#include "TestFolder.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kCategoryTitles = 3000; // in each of the helpers' categories A, B and K

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

int hold(const QString& file, int milliseconds)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const char* write = "BEGIN IMMEDIATE; UPDATE オプション SET Option_Value = Option_Value";
    if (sqlite3_exec(db, write, nullptr, nullptr, nullptr) == SQLITE_OK) {
        say(u"locked"_s);
        QThread::msleep(static_cast<unsigned long>(milliseconds));
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    return sqlite3_close(db);
}

int edit(const QString& folder, const QString& name, int count, bool die)
{
    StoreWidgets c;
    PhraseBook book(folder, c.view());
    // "<what> <key>" once the edit is made, "error <what> <key> <status>" otherwise.
    auto report = [&](const QString& what, const QString& key, EditOutcome outcome) {
        say(outcome == EditOutcome::Done
                ? what + u' ' + key
                : u"error "_s + what + u' ' + key + u' ' + c.status.text());
    };
    for (int i = 0; i < count; ++i) {
        const QString key = name + QString::number(i);
        c.combo.setEditText(u"new"_s);
        c.title.setText(key);
        c.translation.setPlainText(u"訳"_s);
        report(u"added"_s, key,
               book.AddTitle(TitleMode::EJ, [&](const QString&) { return u"題"_s + key; }));
        c.translation.setPlainText(u"新訳 "_s + key);
        report(u"updated"_s, key, book.UpdateTitle(TitleMode::EJ));
        if (i % 3 == 1) {
            say(u"deleting "_s + key);
            report(u"deleted"_s, key, book.DeleteTitle(TitleMode::EJ));
        }
        if (i == 3) {
            c.combo.setEditText(name);
            say(u"deleting "_s + name);
            report(u"deleted"_s, name, book.DeleteCategoryTitles(TitleMode::EJ));
            if (die)
                std::raise(SIGKILL);
        }
    }
    return 0;
}

// The helper, started and waited for a line of output at a time; killed, if need be, when it
// goes.
struct Helper {
    QProcess process;

    explicit Helper(const QStringList& arguments)
    {
        process.start(QCoreApplication::applicationFilePath(),
                      QStringList{u"--helper"_s} + arguments);
        if (!process.waitForStarted())
            qFatal("can't start the helper");
    }
    QString line()
    {
        while (!process.canReadLine())
            if (!process.waitForReadyRead(30000))
                return {};
        return QString::fromUtf8(process.readLine()).trimmed();
    }
    QStringList rest()
    {
        process.waitForFinished(120000);
        return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }
};

QString integrity(const TestFolder& folder)
{
    return folder.rows(u"PRAGMA integrity_check"_s).join(u'\n');
}

// A book for the helpers: the category "new" they register into, and A, B and K full.
void fillForHelpers(const TestFolder& folder)
{
    folder.exec(
        u"INSERT INTO カテゴリ VALUES ('new'), ('A'), ('B'), ('K');"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)"
        " INSERT INTO タイトル SELECT c || '-' || i, c || '題' || i, 'x', 'y', c"
        " FROM n, (SELECT 'A' AS c UNION SELECT 'B' UNION SELECT 'K')"_s.arg(kCategoryTitles));
}

// The file holds what the helpers reported: a title added is there, updated with its new
// translation, deleted gone, and a category's titles are gone once reported deleted. An edit
// under way when a helper died may have happened or not, but wholly.
void checkReports(const TestFolder& folder, const QStringList& lines)
{
    QCOMPARE(lines.filter(u"error"_s), QStringList());
    std::map<QString, QString> last; // key → what was said of it last
    for (const QString& line : lines)
        last[line.section(u' ', 1)] = line.section(u' ', 0, 0);
    for (const auto& [key, what] : last) {
        const QString sql = u"SELECT count(*), max(和訳) FROM タイトル"
                            " WHERE タイトル名_英語 = '%1' OR カテゴリ名 = '%1'"_s;
        const QString found = folder.rows(sql.arg(key)).value(0);
        const QString all = key.size() == 1 ? QString::number(kCategoryTitles) : u"1"_s;
        if (what == u"added"_s)
            QVERIFY2(found.startsWith(u"1|"_s), qPrintable(key));
        else if (what == u"updated"_s)
            QCOMPARE(found, u"1|新訳 "_s + key);
        else if (what == u"deleted"_s)
            QCOMPARE(found, u"0|<null>"_s);
        else
            QVERIFY2(found == u"0|<null>"_s || found.startsWith(all + u'|'), qPrintable(key));
    }
    QCOMPARE(integrity(folder), u"ok"_s);
}

// Ways a phrase book can be unusable, then ways it is usable with a hitch, which need no
// restoring.
enum class Damage { Missing, Empty, Cut, Text, ReadOnly, Folder, Locked, Briefly, Wal };

// Does the damage; false when it can't be done here.
bool damage(const TestFolder& folder, Damage kind, std::unique_ptr<Helper>& locker)
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
    case Damage::ReadOnly: // permissions don't bind root; the immutable attribute does
        return geteuid() == 0 ? QProcess::execute(u"chattr"_s, {u"+i"_s, file}) == 0
                              : out.setPermissions(QFile::ReadOwner);
    case Damage::Folder:
        return out.remove() && QDir(folder.path()).mkdir(u"wordlark.mdb"_s);
    case Damage::Locked: // longer than the busy timeout
    case Damage::Briefly:
        locker = std::make_unique<Helper>(
            QStringList{u"hold"_s, file, kind == Damage::Locked ? u"7000"_s : u"500"_s});
        return locker->line() == u"locked"_s;
    case Damage::Wal: // as another tool may leave it
        return folder.rows(u"PRAGMA journal_mode=WAL"_s) == QStringList{u"wal"_s};
    }
    return false;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void restore(const TestFolder& folder, const QByteArray& good)
{
    if (geteuid() == 0 && QFileInfo::exists(folder.file()))
        QProcess::execute(u"chattr"_s, {u"-i"_s, folder.file()});
    QDir(folder.file()).removeRecursively();
    QFile file(folder.file());
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(good) != good.size())
        qFatal("can't restore the phrase book");
}

// The store's controls on a phrase book with one title, Airport in 旅行.
struct Book : StoreWidgets {
    TestFolder folder;
    PhraseBook book{folder.path(), view()};

    Book()
    {
        folder.exec(u"INSERT INTO カテゴリ VALUES ('旅行');"
                    "INSERT INTO タイトル VALUES ('Airport', '空港', 'To the airport.', "
                    "'空港まで。', '旅行')"_s);
        combo.setEditText(u"旅行"_s);
    }
    QString titleCount() const { return folder.rows(u"SELECT count(*) FROM タイトル"_s)[0]; }
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
        const QByteArray good = readFile(b.folder.file());
        b.book.ListCategories();
        {
            std::unique_ptr<Helper> locker;
            if (!damage(b.folder, kind, locker))
                QSKIP("can't make the file unusable this way here");
            b.book.ListCategories();
            QCOMPARE(b.status.text(), lookup);
            b.title.setText(u"Airport"_s);
            b.book.DeleteTitle(TitleMode::EJ);
            QCOMPARE(b.status.text(), edit);
            QCOMPARE(openFileCount(), 0);
        }
        if (kind < Damage::Locked)
            restore(b.folder, good);
        b.combo.setEditText(u"後"_s);
        QCOMPARE(b.book.AddCategory(), EditOutcome::Done);
        QCOMPARE(QDir(b.folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"wordlark.mdb"_s});
        QCOMPARE(b.folder.rows(u"PRAGMA journal_mode"_s), QStringList{u"delete"_s});
        QCOMPARE(integrity(b.folder), u"ok"_s);
    }

    // Two copies of the program edit the same file at once: every edit each reported is in
    // the file, and none failed for want of a short wait.
    void twoCopiesAtOnce()
    {
        TestFolder folder;
        fillForHelpers(folder);
        Helper a({u"edit"_s, folder.path(), u"A"_s, u"40"_s});
        Helper b({u"edit"_s, folder.path(), u"B"_s, u"40"_s});
        const QStringList lines = a.rest() + b.rest();
        QCOMPARE(lines.filter(u"updated"_s).size(), 80);
        checkReports(folder, lines);
    }

    // A copy killed at any point of its edits leaves a sound file that holds every edit it
    // had reported; the program works on it at once, and after its next edit only the file
    // is left.
    void killedMidEdit_data()
    {
        QTest::addColumn<int>("lines"); // kill after this many lines of the helper's report
        QTest::addColumn<int>("delay"); // then after this many milliseconds
        QTest::newRow("while registering") << 2 << 0;
        QTest::newRow("as a title's deletion starts") << 5 << 0;
        QTest::newRow("as the category's deletion starts") << 11 << 0;
        QTest::newRow("during the deletion") << 11 << 5;
        QTest::newRow("later in the deletion") << 11 << 15;
        QTest::newRow("after the deletion") << 14 << 3;
        QTest::newRow("as the deletion returns") << 12 << -1; // the helper kills itself
    }
    void killedMidEdit()
    {
        QFETCH(int, lines);
        QFETCH(int, delay);
        TestFolder folder;
        fillForHelpers(folder);
        QStringList reported;
        {
            Helper h({u"edit"_s, folder.path(), u"K"_s, u"1000"_s, delay < 0 ? u"die"_s : u""_s});
            while (reported.size() < lines)
                reported << h.line();
            if (delay >= 0) {
                QThread::msleep(static_cast<unsigned long>(delay));
                ::kill(static_cast<pid_t>(h.process.processId()), SIGKILL);
            }
            reported += h.rest();
            QCOMPARE(h.process.exitStatus(), QProcess::CrashExit);
        }
        checkReports(folder, reported);
        StoreWidgets c;
        PhraseBook book(folder.path(), c.view());
        book.ListCategories();
        QCOMPARE(c.items(), (QStringList{u"new"_s, u"A"_s, u"B"_s, u"K"_s}));
        c.combo.setEditText(u"後"_s);
        QCOMPARE(book.AddCategory(), EditOutcome::Done);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"wordlark.mdb"_s});
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
        QCOMPARE(b.titleCount(), u"2"_s);
    }

    // The categories replace the box's items, the first one as its text. The walk counts in
    // 16 bits: 32 767 rows are listed, one more is the lookup's error before any row is
    // visited. A failure during the walk leaves the rows added before it.
    void listCategories_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("status");
        using namespace StoreTexts;
        const QStringList old{u"old"_s, u"older"_s}, three{u"旅行"_s, u"Work"_s, u"あいさつ"_s};
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
        const QStringList ab{u"a"_s, u"b"_s};
        QTest::newRow("in the file's order") << inOrder << three << u"旅行"_s << u"before"_s;
        QTest::newRow("none keeps the box") << QString() << old << u"typed"_s << noCategories;
        QTest::newRow("32767") << many(32767) << most << u"c1"_s << u"before"_s;
        QTest::newRow("32768") << many(32768) << old << u"typed"_s << listCategoriesFailed;
        QTest::newRow("Null while walking") << withNull << ab << u"a"_s << listCategoriesFailed;
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
        QCOMPARE(c.items(), items);
        QCOMPARE(c.combo.currentText(), text);
        QCOMPARE(c.status.text(), status);
        QCOMPARE(openFileCount(), 0);
    }

    // A phrase book another tool has edited: no constraints, extra columns, values of any
    // kind. Each lookup shows the values as text, or its error text.
    void foreignValues_data()
    {
        QTest::addColumn<QString>("rows");   // values of タイトル名_英語 … カテゴリ名
        QTest::addColumn<QString>("listed"); // titles of category c, then status, joined by |
        QTest::addColumn<QString>("loaded"); // Text4 (the title loaded), Text3, Text6, status
        using namespace StoreTexts;
        const QString blobs = u"b|日|\uFFFD"_s + QChar(0) + u"\uFFFD\uFFFD\uFFFD|"_s;
        const QString longText = u"l|"_s + QString(200000, u'x') + u"|j|"_s;
        const QString none = noTitlesIn(u"c"_s);
        // clang-format off
        QTest::newRow("Null translation") << u"('t','ティ','e',NULL,'c')"_s << u"t|"_s << u"t|e||"_s + loadTitleFailed;
        QTest::newRow("Null title") << u"('t','ティ','e','j','c'),(NULL,'ヌル','e','j','c')"_s << listTitlesFailed << u"t|e|j|"_s;
        QTest::newRow("numbers") << u"(42,'ヨン','e','j','c'),('n','エヌ',3.5,-7,'c')"_s << u"42|n|"_s << u"n|3.5|-7|"_s;
        // The bytes of a character cut off at the end show as U+FFFD too, not as nothing.
        QTest::newRow("blobs") << u"('b','ビ',X'E697A5',X'FF00FEE697','c')"_s << u"b|"_s << blobs;
        QTest::newRow("long text") << u"('l','エル',printf('%.*c',200000,'x'),'j','c')"_s << u"l|"_s << longText;
        QTest::newRow("the same title twice") << u"('d','デ','1st','1','c'),('d','デ','2nd','2','c')"_s << u"d|d|"_s << u"d|2nd|2|"_s;
        QTest::newRow("title in no category") << u"('x','エックス','e','j',NULL)"_s << none << u"x|e|j|"_s;
        // clang-format on
    }
    void foreignValues()
    {
        QFETCH(QString, rows);
        QFETCH(QString, listed);
        QFETCH(QString, loaded);
        Book b;
        b.folder.exec(
            u"INSERT INTO カテゴリ VALUES ('c'); DROP TABLE タイトル;"
            "CREATE TABLE タイトル (extra0, タイトル名_英語 COLLATE NOCASE,"
            " タイトル名_日本語 COLLATE NOCASE, 英文, 和訳, カテゴリ名 COLLATE NOCASE,"
            " extra1 BLOB DEFAULT X'00');"
            "INSERT INTO タイトル (タイトル名_英語, タイトル名_日本語, 英文, 和訳, カテゴリ名)"
            " VALUES "_s +
            rows);
        b.combo.setEditText(u"c"_s);
        b.book.ListTitles(TitleMode::EJ);
        QCOMPARE((b.list.items() << b.status.text()).join(u'|'), listed);

        b.status.clear();
        b.list.clear();
        b.list.addItems({loaded.section(u'|', 0, 0)});
        b.list.setCurrentRow(0);
        b.book.LoadTitle(TitleMode::EJ);
        QCOMPARE((QStringList{b.title.text(), b.english.toPlainText(), b.translation.toPlainText(),
                              b.status.text()})
                     .join(u'|'),
                 loaded);
        // The other lookups carry on too.
        b.book.FilterTitles(TitleMode::JE);
        b.book.ListCategories();
        QCOMPARE(openFileCount(), 0);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == u"--helper"_s && args.value(2) == u"hold"_s)
        return hold(args.value(3), args.value(4).toInt());
    if (args.value(1) == u"--helper"_s)
        return edit(args.value(3), args.value(4), args.value(5).toInt(), args.value(6) == u"die"_s);
    TestReliability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reliability.moc"
