#include "PhraseBook.h"
#include "StoreTexts.h"
#include "StoreWidgets.h"
#include "TestWindow.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

#include <csignal>
#include <set>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

enum class Damage {
    Missing,
    ZeroBytes,
    Truncated,
    RandomBytes,
    TextFile,
    ReadOnly,
    Folder,
    Locked
};

void addTitles(const TestFolder& folder)
{
    folder.exec(u"INSERT INTO カテゴリ VALUES ('旅行');"
                "INSERT INTO タイトル VALUES ('Airport', '空港', 'To the airport.', '空港まで。', "
                "'旅行')"_s);
}

QString integrity(const TestFolder& folder)
{
    return folder.rows(u"PRAGMA integrity_check"_s).join(u'\n');
}

// The helper program, started and waited for a first line of output.
struct Helper {
    QProcess process;

    explicit Helper(const QStringList& arguments)
    {
        process.start(QStringLiteral(STORE_HELPER), arguments);
        if (!process.waitForStarted())
            qFatal("can't start the helper");
    }
    ~Helper()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    QString line()
    {
        while (!process.canReadLine())
            if (!process.waitForReadyRead(30000))
                return {};
        return QString::fromUtf8(process.readLine()).trimmed();
    }
};

// Makes the phrase book unusable in one way; the guard makes it usable again.
[[nodiscard]] auto damage(const TestFolder& folder, Damage kind, std::unique_ptr<Helper>& locker)
{
    const QString file = folder.file();
    const QString good = folder.path() + u"/good"_s;
    QFile::remove(good);
    QFile::copy(file, good);
    auto restore = [=, &locker] {
        locker.reset();
        if (kind == Damage::Locked)
            return;
        if (kind == Damage::ReadOnly && geteuid() == 0)
            QProcess::execute(u"chattr"_s, {u"-i"_s, file});
        QFile(file).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QDir(file).removeRecursively();
        QFile::remove(file);
        QFile::copy(good, file);
    };
    QFile out(file);
    switch (kind) {
    case Damage::Missing:
        QFile::remove(file);
        break;
    case Damage::ZeroBytes:
        out.resize(0);
        break;
    case Damage::Truncated:
        out.resize(out.size() / 2);
        break;
    case Damage::RandomBytes: {
        QByteArray bytes(out.size(), '\0');
        QRandomGenerator(8).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        break;
    }
    case Damage::TextFile:
        out.open(QIODevice::WriteOnly);
        out.write("カテゴリ,タイトル\n旅行,Airport\n"_ba.repeated(100));
        break;
    case Damage::ReadOnly:
        // Permissions don't bind root; the immutable attribute does.
        if (geteuid() == 0 ? QProcess::execute(u"chattr"_s, {u"+i"_s, file}) != 0
                           : !out.setPermissions(QFile::ReadOwner))
            QFile::remove(good);
        break;
    case Damage::Folder:
        QFile::remove(file);
        QDir(folder.path()).mkdir(u"wordlark.mdb"_s);
        break;
    case Damage::Locked:
        // Longer than the busy timeout.
        locker = std::make_unique<Helper>(QStringList{u"hold"_s, file, u"7000"_s});
        if (locker->line() != u"locked"_s)
            QFile::remove(good);
        break;
    }
    return qScopeGuard(restore);
}

} // namespace

Q_DECLARE_METATYPE(Damage)

class TestReliability : public QObject {
    Q_OBJECT

private slots:
    // At start-up and in the middle of a session: the program carries on, says what is
    // wrong, holds no handle, and works again once the file is usable.
    void damagedFile_data()
    {
        QTest::addColumn<Damage>("kind");
        QTest::addColumn<QString>("lookup"); // status after listing the categories
        QTest::addColumn<QString>("edit");   // status after deleting a title
        using namespace StoreTexts;
        QTest::newRow("missing") << Damage::Missing << fileMissing << fileMissing;
        QTest::newRow("zero bytes") << Damage::ZeroBytes << fileDamaged << fileDamaged;
        QTest::newRow("truncated") << Damage::Truncated << fileDamaged << fileDamaged;
        QTest::newRow("random bytes") << Damage::RandomBytes << fileDamaged << fileDamaged;
        QTest::newRow("text file") << Damage::TextFile << fileDamaged << fileDamaged;
        // Read-only: lookups work, an edit fails when it writes.
        QTest::newRow("read-only") << Damage::ReadOnly << QString() << deleteTitleFailed;
        QTest::newRow("folder in its place") << Damage::Folder << fileUnopenable << fileUnopenable;
        // Another program's write transaction: reading goes on, an edit waits for the busy
        // timeout.
        QTest::newRow("locked") << Damage::Locked << QString() << deleteTitleFailed;
    }
    void damagedFile()
    {
        QFETCH(Damage, kind);
        QFETCH(QString, lookup);
        QFETCH(QString, edit);
        TestFolder folder;
        addTitles(folder);
        std::unique_ptr<Helper> locker;
        {
            const auto guard = damage(folder, kind, locker);
            if (!QFile::exists(folder.path() + u"/good"_s))
                QSKIP("can't make the file unusable this way here");
            TestWindow w(folder);
            QCOMPARE(w.text("Text5"), lookup);
            QCOMPARE(openFileCount(), 0);
            if (kind == Damage::Locked)
                locker.reset(); // one wait for the busy timeout is enough
            else {
                w.setText("Text4", u"Airport"_s);
                w.dialogs.answers = {true};
                w.click("Command6");
                QCOMPARE(w.text("Text5"), edit);
                QCOMPARE(openFileCount(), 0);
            }
        }
        TestWindow w(folder);
        QCOMPARE(w.items("Combo1"), QStringList{u"旅行"_s});

        // The same in the middle of the session.
        {
            const auto guard = damage(folder, kind, locker);
            w.listCategory(u"旅行"_s);
            QCOMPARE(w.text("Text5"), lookup);
            w.setText("Text4", u"Airport"_s);
            w.dialogs.answers = {true};
            w.click("Command6");
            QCOMPARE(w.text("Text5"), edit);
            QCOMPARE(openFileCount(), 0);
        }
        w.setText("Text4", u"Airport"_s);
        w.dialogs.answers = {true};
        w.click("Command6");
        QCOMPARE(folder.rows(u"SELECT count(*) FROM タイトル"_s), QStringList{u"0"_s});
        QCOMPARE(integrity(folder), u"ok"_s);
    }

    // A write transaction let go within the busy timeout: the edit waits for it and is made.
    void lockLetGoInTime()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        Helper locker({u"hold"_s, folder.file(), u"500"_s});
        QCOMPARE(locker.line(), u"locked"_s);
        w.setText("Text4", u"Airport"_s);
        w.dialogs.answers = {true};
        w.click("Command6");
        QCOMPARE(folder.rows(u"SELECT count(*) FROM タイトル"_s), QStringList{u"0"_s});
    }

    // The file goes, or is replaced, while a title waits for its second name: the title is
    // not reported as registered into a file that no longer is the phrase book.
    void deletedWhileAddingTitle_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("deleted") << false;
        QTest::newRow("replaced") << true;
    }
    void deletedWhileAddingTitle()
    {
        QFETCH(bool, replaced);
        TestFolder folder;
        addTitles(folder);
        QFile::copy(folder.file(), folder.path() + u"/good"_s);
        StoreWidgets c;
        PhraseBook book(folder.path(), c.view());
        c.combo.setEditText(u"旅行"_s);
        c.title.setText(u"Train"_s);
        const EditOutcome outcome = book.AddTitle(TitleMode::EJ, [&](const QString&) {
            QFile::remove(folder.file());
            if (replaced)
                QFile::copy(folder.path() + u"/good"_s, folder.file());
            return u"電車"_s;
        });
        QCOMPARE(outcome, EditOutcome::Failed);
        QCOMPARE(c.status.text(), StoreTexts::addTitleFailed);
        QCOMPARE(openFileCount(), 0);
        if (!replaced)
            QFile::copy(folder.path() + u"/good"_s, folder.file());
        QCOMPARE(book.AddTitle(TitleMode::EJ, [](const QString&) { return u"電車"_s; }),
                 EditOutcome::Done);
        QCOMPARE(folder.rows(u"SELECT count(*) FROM タイトル WHERE タイトル名_英語 = 'Train'"_s),
                 QStringList{u"1"_s});
    }

    // Two copies of the program edit the same file at once: every edit each reported is in
    // the file, and none failed for want of a short wait.
    void twoCopiesAtOnce()
    {
        TestFolder folder;
        folder.exec(u"INSERT INTO カテゴリ VALUES ('二人')"_s);
        constexpr int kTitles = 40;
        Helper a({u"edit"_s, folder.path(), u"A"_s, QString::number(kTitles)});
        Helper b({u"edit"_s, folder.path(), u"B"_s, QString::number(kTitles)});
        QStringList expected;
        for (Helper* h : {&a, &b}) {
            QVERIFY(h->process.waitForFinished(120000));
            QCOMPARE(h->process.exitCode(), 0);
            const QStringList lines = QString::fromUtf8(h->process.readAllStandardOutput())
                                          .split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.filter(u"error"_s), QStringList());
            std::set<QString> present;
            for (const QString& line : lines) {
                const QString key = line.section(u' ', 1);
                if (line.startsWith(u"updated"_s))
                    present.insert(key);
                else if (line.startsWith(u"deleted"_s))
                    present.erase(key);
            }
            for (const QString& key : present)
                expected << key + u"|新訳 "_s + key;
        }
        expected.sort();
        QCOMPARE(expected.size(), 2 * (kTitles - (kTitles + 2) / 3));
        QStringList stored = folder.rows(u"SELECT タイトル名_英語, 和訳 FROM タイトル"_s);
        stored.sort();
        QCOMPARE(stored, expected);
        QCOMPARE(integrity(folder), u"ok"_s);
    }

    // A copy killed at any point of its edits leaves a sound file that holds every edit it
    // had reported.
    void killedMidEdit_data()
    {
        QTest::addColumn<int>("lines"); // kill after this many lines of the helper's report
        QTest::addColumn<int>("delay"); // then after this many milliseconds
        QTest::newRow("while registering") << 2 << 0;
        QTest::newRow("as the deletion starts") << 5 << 0;
        QTest::newRow("during the deletion") << 5 << 40;
        QTest::newRow("later in the deletion") << 5 << 150;
        QTest::newRow("after the deletion") << 8 << 3;
        QTest::newRow("as the deletion returns") << 6 << -1; // the helper kills itself
    }
    void killedMidEdit()
    {
        QFETCH(int, lines);
        QFETCH(int, delay);
        TestFolder folder;
        folder.exec(u"INSERT INTO カテゴリ VALUES ('big'), ('新');"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)"
                    " INSERT INTO タイトル SELECT 'b' || i, 'ビ' || i, 'x', 'y', 'big' FROM n"_s);
        QStringList reported;
        {
            Helper h({u"crash"_s, folder.path(), delay < 0 ? u"die"_s : u"K"_s});
            while (reported.size() < lines)
                reported << h.line();
            if (delay >= 0) {
                QThread::msleep(static_cast<unsigned long>(delay));
                ::kill(static_cast<pid_t>(h.process.processId()), SIGKILL);
            }
            QVERIFY(h.process.waitForFinished());
            QCOMPARE(h.process.exitStatus(), QProcess::CrashExit);
            reported += QString::fromUtf8(h.process.readAllStandardOutput())
                            .split(u'\n', Qt::SkipEmptyParts);
        }
        QCOMPARE(reported.filter(u"error"_s), QStringList());
        QCOMPARE(integrity(folder), u"ok"_s);
        const QStringList titles =
            folder.rows(u"SELECT タイトル名_英語 FROM タイトル WHERE カテゴリ名 = '新'"_s);
        for (const QString& line : reported)
            if (line.startsWith(u"added"_s))
                QVERIFY2(titles.contains(line.section(u' ', 1)), qPrintable(line));
        const QStringList big =
            folder.rows(u"SELECT count(*) FROM タイトル WHERE カテゴリ名 = 'big'"_s);
        if (reported.contains(u"deleted big"_s))
            QCOMPARE(big, QStringList{u"0"_s});
        // and the program works on the file at once; after its next edit only the file is left
        TestWindow w(folder);
        QCOMPARE(w.items("Combo1"), (QStringList{u"big"_s, u"新"_s}));
        StoreWidgets c;
        c.combo.setEditText(u"後"_s);
        QCOMPARE(PhraseBook(folder.path(), c.view()).AddCategory(), EditOutcome::Done);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"wordlark.mdb"_s});
    }

    // Another tool may leave the file in WAL mode; an edit must switch it back, so no log and
    // index stay next to it.
    void walFileIsSwitchedBack()
    {
        TestFolder folder;
        addTitles(folder);
        QCOMPARE(folder.rows(u"PRAGMA journal_mode=WAL"_s), QStringList{u"wal"_s});
        StoreWidgets c;
        PhraseBook book(folder.path(), c.view());
        c.title.setText(u"Airport"_s);
        QCOMPARE(book.DeleteTitle(TitleMode::EJ), EditOutcome::Done);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{u"wordlark.mdb"_s});
        QCOMPARE(folder.rows(u"PRAGMA journal_mode"_s), QStringList{u"delete"_s});
        QCOMPARE(folder.rows(u"SELECT COUNT(*) FROM タイトル"_s), QStringList{u"0"_s});
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
        TestFolder folder;
        folder.exec(
            u"INSERT INTO カテゴリ VALUES ('c'); DROP TABLE タイトル;"
            "CREATE TABLE タイトル (extra0, タイトル名_英語 COLLATE NOCASE,"
            " タイトル名_日本語 COLLATE NOCASE, 英文, 和訳, カテゴリ名 COLLATE NOCASE,"
            " extra1 BLOB DEFAULT X'00');"
            "INSERT INTO タイトル (タイトル名_英語, タイトル名_日本語, 英文, 和訳, カテゴリ名)"
            " VALUES "_s +
            rows);
        StoreWidgets c;
        PhraseBook book(folder.path(), c.view());
        c.combo.setEditText(u"c"_s);
        book.ListTitles(TitleMode::EJ);
        QStringList shown = c.list.items();
        QCOMPARE((shown << c.status.text()).join(u'|'), listed);

        c.status.clear();
        c.list.clear();
        c.list.addItems({loaded.section(u'|', 0, 0)});
        c.list.setCurrentRow(0);
        book.LoadTitle(TitleMode::EJ);
        QCOMPARE((QStringList{c.title.text(), c.english.toPlainText(), c.translation.toPlainText(),
                              c.status.text()})
                     .join(u'|'),
                 loaded);
        // The other lookups and the start-up carry on too.
        book.FilterTitles(TitleMode::JE);
        book.ListCategories();
        TestWindow w(folder);
        QCOMPARE(openFileCount(), 0);
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
        TestFolder folder;
        addTitles(folder);
        StoreWidgets c;
        PhraseBook book(folder.path(), c.view());
        c.combo.setEditText(u"c"_s + text);
        c.title.setText(u"t"_s + text);
        c.english.setPlainText(text);
        c.translation.setPlainText(text);
        QCOMPARE(book.AddCategory(), EditOutcome::Done);
        QCOMPARE(book.AddTitle(TitleMode::EJ, [&](const QString&) { return u"j"_s + text; }),
                 EditOutcome::Done);
        c.list.addItems({u"t"_s + text});
        c.list.setCurrentRow(0);
        book.LoadTitle(TitleMode::EJ);
        QCOMPARE(
            (QStringList{c.title.text(), c.english.toPlainText(), c.translation.toPlainText()}),
            (QStringList{u"t"_s + shown, shown, shown}));

        // A lone surrogate before an apostrophe must not end the literal early.
        c.combo.setEditText(text + u"' OR 1=1 --"_s);
        QCOMPARE(book.DeleteCategoryTitles(TitleMode::EJ), EditOutcome::NotFound);
        c.title.setText(text + u"' OR ''='"_s);
        QCOMPARE(book.DeleteTitle(TitleMode::JE), EditOutcome::NotFound);
        QCOMPARE(folder.rows(u"SELECT count(*) FROM タイトル"_s), QStringList{u"2"_s});
    }

    // Another copy deletes the title while this one updates it: the update is not reported
    // as saved.
    void titleGoneBeforeUpdate()
    {
        TestFolder folder;
        addTitles(folder);
        StoreWidgets c;
        PhraseBook book(folder.path(), c.view());
        c.combo.setEditText(u"旅行"_s);
        c.title.setText(u"Airport"_s);
        // The empty sentence is written as a blank just before the row is saved.
        connect(&c.english, &QPlainTextEdit::textChanged, this,
                [&] { folder.exec(u"DELETE FROM タイトル"_s); });
        QCOMPARE(book.UpdateTitle(TitleMode::EJ), EditOutcome::Failed);
        QCOMPARE(c.status.text(), StoreTexts::updateTitleFailed);
        QCOMPARE(openFileCount(), 0);
    }
};

QTEST_MAIN(TestReliability)
#include "tst_reliability.moc"
