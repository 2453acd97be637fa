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
    PowerCut()
    {
        m_vfs = *s_base;
        m_vfs.zName = "powercut";
        m_vfs.pAppData = this;
        m_vfs.szOsFile = s_base->szOsFile + int(sizeof(Tail));
        m_vfs.xOpen = open;
        m_vfs.xDelete = remove;
        sqlite3_vfs_register(&m_vfs, 0);
    }
    ~PowerCut()
    {
        sqlite3_vfs_register(s_base, 1);
        sqlite3_vfs_unregister(&m_vfs);
    }
    // Cuts the power at point cutAt (from 1) of the changes that follow.
    void arm(int cutAt, quint32 seed)
    {
        m_disks.clear();
        m_points = 0;
        m_cutAt = cutAt;
        m_off = false;
        m_random.seed(seed);
        sqlite3_vfs_register(&m_vfs, 1);
    }
    // Cuts the power now unless it went already; returns the number of points passed.
    int disarm()
    {
        if (!m_off)
            cutPower();
        sqlite3_vfs_register(s_base, 1);
        return m_points;
    }

private:
    enum Kind { Write, Truncate, Delete };
    struct Change {
        Kind kind;
        qint64 offset; // of a write; the new size for a truncation
        QByteArray data;
    };
    struct Disk {
        std::optional<QByteArray> synced; // absent: no such file
        std::vector<Change> unsynced;
    };
    // Follows the default layer's file object; no disk for a temporary file, which no power
    // cut can harm.
    struct Tail {
        PowerCut* self;
        std::pair<const std::string, Disk>* disk;
        const sqlite3_io_methods* real;
    };

    static std::optional<QByteArray> onDisk(const std::string& path)
    {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? std::optional(file.readAll()) : std::nullopt;
    }
    static Tail& tail(sqlite3_file* file)
    {
        return *reinterpret_cast<Tail*>(reinterpret_cast<char*>(file) + s_base->szOsFile);
    }
    // Counts a point and records the change; false once the power is off.
    static bool pass(sqlite3_file* file, const Change& change)
    {
        const Tail& t = tail(file);
        if (!t.self->pass())
            return false;
        if (t.disk)
            t.disk->second.unsynced.push_back(change);
        return true;
    }
    bool pass()
    {
        if (m_off)
            return false;
        if (++m_points < m_cutAt)
            return true;
        cutPower();
        return false;
    }

    static int write(sqlite3_file* file, const void* data, int size, sqlite3_int64 offset)
    {
        if (!pass(file, {Write, offset, QByteArray(static_cast<const char*>(data), size)}))
            return SQLITE_IOERR_WRITE;
        return tail(file).real->xWrite(file, data, size, offset);
    }
    static int truncate(sqlite3_file* file, sqlite3_int64 size)
    {
        return pass(file, {Truncate, size, {}}) ? tail(file).real->xTruncate(file, size)
                                                : SQLITE_IOERR_TRUNCATE;
    }
    // The file as it is now becomes what the disk holds; the real sync would only cost time.
    static int sync(sqlite3_file* file, int)
    {
        if (!tail(file).self->pass())
            return SQLITE_IOERR_FSYNC;
        if (auto* disk = tail(file).disk)
            disk->second = {onDisk(disk->first), {}};
        return SQLITE_OK;
    }
    static int open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* out)
    {
        auto* self = static_cast<PowerCut*>(vfs->pAppData);
        tail(file) = {self, name ? &*self->m_disks.try_emplace(name, onDisk(name)).first : nullptr,
                      nullptr};
        const int rc = s_base->xOpen(s_base, name, file, flags, out);
        if (rc != SQLITE_OK || !file->pMethods)
            return rc;
        // The default layer's methods, but for the changes this layer keeps track of.
        auto [patched, made] = s_methods.try_emplace(file->pMethods, *file->pMethods);
        if (made) {
            patched->second.xWrite = write;
            patched->second.xTruncate = truncate;
            patched->second.xSync = sync;
        }
        tail(file).real = std::exchange(file->pMethods, &patched->second);
        return SQLITE_OK;
    }
    static int remove(sqlite3_vfs* vfs, const char* name, int syncFolder)
    {
        auto* self = static_cast<PowerCut*>(vfs->pAppData);
        if (!self->pass())
            return SQLITE_IOERR_DELETE;
        Disk& disk = self->m_disks.try_emplace(name, onDisk(name)).first->second;
        if (syncFolder)
            disk = {};
        else
            disk.unsynced.push_back({Delete, 0, {}});
        return s_base->xDelete(s_base, name, syncFolder);
    }

    void cutPower()
    {
        m_off = true;
        constexpr qint64 kSector = 512;
        for (auto& [path, disk] : m_disks) {
            std::optional<QByteArray> image = disk.synced;
            for (const Change& change : disk.unsynced) {
                const int choice = m_random.bounded(change.kind == Write ? 3 : 2);
                if (choice == 1) // dropped
                    continue;
                if (change.kind == Delete)
                    image.reset();
                else if (image && change.kind == Truncate)
                    image->resize(change.offset, '\0');
                else if (image) {
                    qsizetype kept = change.data.size();
                    // Torn: the sectors up to a boundary inside the write reached the disk.
                    const qint64 first = (change.offset / kSector + 1) * kSector;
                    const qint64 end = change.offset + kept;
                    if (choice == 2)
                        kept = first >= end
                                   ? 0
                                   : first - change.offset +
                                         kSector *
                                             m_random.bounded(int((end - first - 1) / kSector + 1));
                    if (image->size() < change.offset + kept)
                        image->resize(change.offset + kept, '\0');
                    image->replace(change.offset, kept, change.data.left(kept));
                }
            }
            QFile file(QString::fromStdString(path));
            if (!image)
                file.remove();
            else if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(*image);
        }
    }

    static inline sqlite3_vfs* const s_base = sqlite3_vfs_find(nullptr);
    static inline std::map<const sqlite3_io_methods*, sqlite3_io_methods> s_methods;
    sqlite3_vfs m_vfs;
    std::map<std::string, Disk> m_disks;
    int m_points = 0;
    int m_cutAt = 0;
    bool m_off = false;
    QRandomGenerator m_random;
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
const std::vector<Step> kDeleteCategory = {
    [](Book& b) { return done(b.book.DeleteCategoryTitles(TitleMode::EJ)); },
    [](Book& b) { return done(b.book.DeleteCategory()); }};

const Edit kEdits[] = {
    {"category add", 3, {[](Book& b) {
         b.combo.setEditText(u"new"_s);
         return done(b.book.AddCategory());
     }}},
    {"category delete, 1 title", 1, kDeleteCategory},
    {"category delete, 300 titles", 300, kDeleteCategory},
    {"title register", 3, {[](Book& b) {
         b.title.setText(u"new title"_s);
         return done(b.book.AddTitle(TitleMode::EJ, [](const QString&) { return u"新題"_s; }));
     }}},
    {"title update", 3, {[](Book& b) { return done(b.book.UpdateTitle(TitleMode::EJ)); }}},
    {"title delete", 3, {[](Book& b) { return done(b.book.DeleteTitle(TitleMode::EJ)); }}},
    {"option save", 3, {[](Book& b) {
         return b.options.WriteOption(Option::Speed, u"190"_s) == 0;
     }}},
};

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

        PowerCut power;
        for (int cut = 1;; ++cut) {
            Book b(start);
            power.arm(cut, quint32(edit * 10007 + cut));
            qsizetype acknowledged = 0;
            while (acknowledged < qsizetype(e.steps.size()) && e.steps[acknowledged](b))
                ++acknowledged;
            const int points = power.disarm();
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
