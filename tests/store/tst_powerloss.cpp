// The power may go at any write or sync of any edit: the file must stay whole, keep every edit
// that was reported done, and hold the edit it cut either wholly or not at all.

#include "OptionStore.h"
#include "PhraseBook.h"
#include "StoreWidgets.h"
#include "TestFolder.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

#include <functional>
#include <map>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// A file layer over SQLite's default one that can cut the power. While armed it is the default
// layer, so the program's own connections use it unchanged. It numbers every write,
// truncation, sync and deletion, and remembers per file what is on the disk for sure (as of its
// last sync) and what has happened since. At the chosen point the power goes: each unsynced
// change is kept, dropped or, for a write, torn at a 512-byte boundary, by a seeded random
// choice; the files are left so, and every later change fails. A deletion counts as synced
// only when the engine asks for the folder to be synced with it.
class PowerCut {
public:
    // Cuts the power at point cutAt (from 1) of the changes that follow.
    static void arm(int cutAt, quint32 seed)
    {
        s_disks.clear();
        s_points = 0;
        s_cutAt = cutAt;
        s_off = false;
        s_random.seed(seed);
        sqlite3_vfs_register(&s_layer, 1);
    }
    // Cuts the power now unless it went already; returns the number of points passed.
    static int disarm()
    {
        if (!s_off)
            cutPower();
        sqlite3_vfs_register(s_base, 1);
        return s_points;
    }

private:
    enum Kind { Write, Truncate, Delete };
    struct Change {
        Kind kind;
        qint64 offset; // of a write; the new size for a truncation
        QByteArray data;
    };
    struct Disk {
        QString path;
        std::optional<QByteArray> synced; // absent: no such file
        std::vector<Change> unsynced;
    };
    // Follows the default layer's file object; no disk for a temporary file, which no power
    // cut can harm.
    struct Tail {
        Disk* disk;
        const sqlite3_io_methods* real;
    };

    static std::optional<QByteArray> onDisk(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? std::optional(file.readAll()) : std::nullopt;
    }
    // The file's record, begun with what the disk holds when the layer first meets it.
    static Disk& disk(const char* name)
    {
        const QString path = QString::fromUtf8(name);
        const auto [found, isNew] = s_disks.try_emplace(path);
        if (isNew)
            found->second = {path, onDisk(path), {}};
        return found->second;
    }
    static Tail& tail(sqlite3_file* file)
    {
        return *reinterpret_cast<Tail*>(reinterpret_cast<char*>(file) + s_base->szOsFile);
    }
    // Counts a point; false once the power is off.
    static bool pass()
    {
        if (s_off)
            return false;
        if (++s_points < s_cutAt)
            return true;
        cutPower();
        return false;
    }
    // Counts a point and records the change; false once the power is off.
    static bool record(sqlite3_file* file, Change change)
    {
        if (!pass())
            return false;
        if (Disk* disk = tail(file).disk)
            disk->unsynced.push_back(std::move(change));
        return true;
    }

    static int write(sqlite3_file* file, const void* data, int size, sqlite3_int64 offset)
    {
        if (!record(file, {Write, offset, QByteArray(static_cast<const char*>(data), size)}))
            return SQLITE_IOERR_WRITE;
        return tail(file).real->xWrite(file, data, size, offset);
    }
    static int truncate(sqlite3_file* file, sqlite3_int64 size)
    {
        if (!record(file, {Truncate, size, {}}))
            return SQLITE_IOERR_TRUNCATE;
        return tail(file).real->xTruncate(file, size);
    }
    // The file as it is now becomes what the disk holds; the real sync would only cost time.
    static int sync(sqlite3_file* file, int)
    {
        if (!pass())
            return SQLITE_IOERR_FSYNC;
        if (Disk* disk = tail(file).disk)
            *disk = {disk->path, onDisk(disk->path), {}};
        return SQLITE_OK;
    }
    static int open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* out)
    {
        tail(file).disk = name ? &disk(name) : nullptr;
        const int rc = s_base->xOpen(s_base, name, file, flags, out);
        if (rc != SQLITE_OK || !file->pMethods)
            return rc;
        // The default layer's methods, but for the changes this layer keeps track of.
        sqlite3_io_methods& patched =
            s_patched.try_emplace(file->pMethods, *file->pMethods).first->second;
        patched.xWrite = write;
        patched.xTruncate = truncate;
        patched.xSync = sync;
        tail(file).real = std::exchange(file->pMethods, &patched);
        return SQLITE_OK;
    }
    static int remove(sqlite3_vfs*, const char* name, int syncFolder)
    {
        if (!pass())
            return SQLITE_IOERR_DELETE;
        Disk& d = disk(name);
        if (syncFolder)
            d = {d.path, std::nullopt, {}};
        else
            d.unsynced.push_back({Delete, 0, {}});
        return s_base->xDelete(s_base, name, syncFolder);
    }

    static void cutPower()
    {
        constexpr qint64 kSector = 512;
        s_off = true;
        for (auto& [path, disk] : s_disks) {
            std::optional<QByteArray> image = disk.synced;
            for (const Change& change : disk.unsynced) {
                const int choice = s_random.bounded(change.kind == Write ? 3 : 2);
                if (choice == 1) // dropped
                    continue;
                if (change.kind == Delete)
                    image.reset();
                else if (image && change.kind == Truncate)
                    image->resize(change.offset, '\0');
                else if (image) {
                    const qint64 at = change.offset;
                    qint64 kept = change.data.size();
                    // Torn: the sectors before a boundary inside the write reached the disk.
                    const qint64 boundaries = (at + kept - 1) / kSector - at / kSector;
                    if (choice == 2)
                        kept =
                            boundaries == 0
                                ? 0
                                : (at / kSector + 1 + s_random.bounded(int(boundaries))) * kSector -
                                      at;
                    image->resize(qMax(image->size(), at + kept), '\0');
                    image->replace(at, kept, change.data.left(kept));
                }
            }
            QFile file(path);
            if (!image)
                file.remove();
            else if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(*image);
        }
    }

    static inline sqlite3_vfs* const s_base = sqlite3_vfs_find(nullptr);
    static inline sqlite3_vfs s_layer = [] {
        sqlite3_vfs layer = *s_base;
        layer.zName = "powercut";
        layer.szOsFile = s_base->szOsFile + int(sizeof(Tail));
        layer.xOpen = open;
        layer.xDelete = remove;
        return layer;
    }();
    static inline std::map<const sqlite3_io_methods*, sqlite3_io_methods> s_patched;
    static inline std::map<QString, Disk> s_disks;
    static inline int s_points = 0;
    static inline int s_cutAt = 0;
    static inline bool s_off = false;
    static inline QRandomGenerator s_random;
};

// One phrase book in a folder of its own, with the controls the operations read.
struct Book : StoreWidgets {
    QTemporaryDir dir;
    QString file = dir.filePath(u"wordlark.mdb"_s);
    PhraseBook book{dir.path(), view()};
    OptionStore options{dir.path()};

    explicit Book(const QByteArray& bytes)
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("can't write the phrase book");
        combo.setEditText(u"c"_s);
        title.setText(u"c title 2"_s);
        english.setPlainText(u"New sentence."_s);
        translation.setPlainText(u"新しい文。"_s);
    }
    QStringList contents() const
    {
        return rowsOf(file, u"SELECT * FROM カテゴリ ORDER BY 1"_s) +
               rowsOf(file, u"SELECT * FROM タイトル ORDER BY 1"_s) +
               rowsOf(file, u"SELECT * FROM オプション ORDER BY 1, 2"_s);
    }
};

// Each step is one operation; true when it reported the edit done.
using Step = std::function<bool(Book&)>;
struct Edit {
    const char* name;
    int titles; // in category "c"
    std::vector<Step> steps;
};

bool done(EditOutcome outcome)
{
    return outcome == EditOutcome::Done;
}

// Deleting a category is two edits, as the main window runs them.
// clang-format off
const std::vector<Step> kDeleteCategory = {
    [](Book& b) { return done(b.book.DeleteCategoryTitles(TitleMode::EJ)); },
    [](Book& b) { return done(b.book.DeleteCategory()); }};

const Edit kEdits[] = {
    {"category add", 3, {[](Book& b) { b.combo.setEditText(u"new"_s); return done(b.book.AddCategory()); }}},
    {"category delete, 1 title", 1, kDeleteCategory},
    {"category delete, 300 titles", 300, kDeleteCategory},
    {"title register", 3, {[](Book& b) {
        b.title.setText(u"new title"_s);
        return done(b.book.AddTitle(TitleMode::EJ, [](const QString&) { return u"新題"_s; })); }}},
    {"title update", 3, {[](Book& b) { return done(b.book.UpdateTitle(TitleMode::EJ)); }}},
    {"title delete", 3, {[](Book& b) { return done(b.book.DeleteTitle(TitleMode::EJ)); }}},
    {"option save", 3, {[](Book& b) { return b.options.WriteOption(Option::Speed, u"190"_s) == 0; }}},
};
// clang-format on

QByteArray bookWithTitles(int count)
{
    TestFolder folder;
    folder.exec(
        u"INSERT INTO カテゴリ VALUES ('c'), ('other');"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO タイトル SELECT 'c title ' || i, 'c 題 ' || i, 'Sentence ' || i, "
        "'文 ' || i, 'c' FROM n;"
        "INSERT INTO タイトル VALUES ('kept', '残る', 'Kept.', '残る。', 'other')"_s.arg(count));
    QFile file(folder.file());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPowerLoss : public QObject {
    Q_OBJECT

private slots:
    void everyCutPoint_data()
    {
        QTest::addColumn<int>("edit");
        for (int i = 0; i < int(std::size(kEdits)); ++i)
            QTest::newRow(kEdits[i].name) << i;
    }
    void everyCutPoint()
    {
        QFETCH(int, edit);
        const Edit& e = kEdits[edit];
        const QByteArray start = bookWithTitles(e.titles);

        // What the file holds before and after each step, from a run without power cuts.
        QList<QStringList> states;
        {
            Book b(start);
            states << b.contents();
            for (const Step& step : e.steps) {
                QVERIFY(step(b));
                states << b.contents();
            }
        }

        for (int cut = 1;; ++cut) {
            Book b(start);
            PowerCut::arm(cut, quint32(edit * 10007 + cut));
            qsizetype acknowledged = 0;
            while (acknowledged < qsizetype(e.steps.size()) && e.steps[acknowledged](b))
                ++acknowledged;
            const int points = PowerCut::disarm();
            const QByteArray where = QByteArray(e.name) + " cut at " + QByteArray::number(cut);
            QVERIFY2(rowsOf(b.file, u"PRAGMA integrity_check"_s) == QStringList{u"ok"_s}, where);
            const QStringList now = b.contents();
            QVERIFY2(now == states[acknowledged] ||
                         (acknowledged + 1 < states.size() && now == states[acknowledged + 1]),
                     where);
            // The last cut came after the edit's every write and sync.
            if (points < cut)
                break;
        }
    }
};

QTEST_MAIN(TestPowerLoss)
#include "tst_powerloss.moc"
