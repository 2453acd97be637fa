// The power may go at any sync or deletion of any edit: the file must stay whole, keep every edit
// that was reported done, and hold the edit it cut either wholly or not at all.

#include "OptionStore.h"
#include "PhraseBook.h"
#include "StoreWidgets.h"
#include "TestFolder.h"

#include <QFile>
#include <QTest>

#include <sqlite3.h>

#include <functional>
#include <map>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A file layer over SQLite's default one that can cut the power. While armed it is the default
// layer, so the program's own connections use it unchanged. It numbers every sync and deletion
// and keeps each file as of its last sync; a deletion counts as synced only when the engine
// asks for the folder to be synced with it. From the chosen point on, every sync and deletion
// fails, and when the power goes each file is put back as it was at its last sync: whatever
// was not synced is lost.
class PowerCut {
public:
    // Cuts the power at point cutAt (from 1) of those that follow.
    static void arm(int cutAt)
    {
        s_synced.clear();
        s_points = 0;
        s_cutAt = cutAt;
        sqlite3_vfs_register(&s_layer, 1);
    }
    // The power goes; returns the number of points passed before the cut.
    static int disarm()
    {
        sqlite3_vfs_register(s_base, 1);
        for (const auto& [path, contents] : s_synced) {
            QFile file(path);
            if (!contents)
                file.remove();
            else if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(*contents);
        }
        return s_points;
    }

private:
    static std::optional<QByteArray> onDisk(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? std::optional(file.readAll()) : std::nullopt;
    }
    // Counts a point; false from the cut on.
    static bool pass() { return s_points < s_cutAt && ++s_points < s_cutAt; }
    // A file is first as the disk holds it when the layer meets it.
    static QString meet(const char* name)
    {
        const QString path = QString::fromUtf8(name);
        s_synced.try_emplace(path, onDisk(path));
        return path;
    }

    // The file as it is now is what the disk holds; the real sync would only cost time.
    static int sync(sqlite3_file* file, int)
    {
        if (!pass())
            return SQLITE_IOERR_FSYNC;
        if (const QString& path = s_paths[file]; !path.isEmpty())
            s_synced[path] = onDisk(path);
        return SQLITE_OK;
    }
    static int open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* out)
    {
        // A temporary file has no name, and no power cut can harm it.
        s_paths[file] = name ? meet(name) : QString();
        const int rc = s_base->xOpen(s_base, name, file, flags, out);
        if (rc != SQLITE_OK || !file->pMethods)
            return rc;
        // The default layer's methods, but for the sync.
        sqlite3_io_methods& patched =
            s_patched.try_emplace(file->pMethods, *file->pMethods).first->second;
        patched.xSync = sync;
        file->pMethods = &patched;
        return SQLITE_OK;
    }
    static int remove(sqlite3_vfs*, const char* name, int syncFolder)
    {
        if (!pass())
            return SQLITE_IOERR_DELETE;
        const QString path = meet(name);
        if (syncFolder)
            s_synced[path] = std::nullopt;
        return s_base->xDelete(s_base, name, syncFolder);
    }

    static inline sqlite3_vfs* const s_base = sqlite3_vfs_find(nullptr);
    static inline sqlite3_vfs s_layer = [] {
        sqlite3_vfs layer = *s_base;
        layer.zName = "powercut";
        layer.xOpen = open;
        layer.xDelete = remove;
        return layer;
    }();
    static inline std::map<const sqlite3_io_methods*, sqlite3_io_methods> s_patched;
    static inline std::map<const sqlite3_file*, QString> s_paths;
    static inline std::map<QString, std::optional<QByteArray>> s_synced;
    static inline int s_points = 0;
    static inline int s_cutAt = 0;
};

constexpr std::int64_t kFirstReview = 1'796'000'000'000;

// A phrase book with 300 titles in category c and one in another, and the controls the
// operations read.
struct Book : StoreWidgets {
    TestFolder folder;
    PhraseBook book{folder.path(), view()};
    OptionStore options{folder.path()};

    Book()
    {
        folder.exec(u"INSERT INTO カテゴリ VALUES ('c'), ('other');"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                    "INSERT INTO タイトル SELECT 'c title ' || i, 'c 題 ' || i, 'Sentence ' || i, "
                    "'文 ' || i, 'c' FROM n;"
                    "INSERT INTO タイトル VALUES ('kept', '残る', 'Kept.', '残る。', 'other')"_s);
        // A title already reviewed, whose memory goes with it and is rewritten by a review.
        book.RecordReview(TitleMode::EJ, u"c title 2"_s, false, kFirstReview);
        combo.setEditText(u"c"_s);
        title.setText(u"c title 2"_s);
        english.setPlainText(u"New sentence."_s);
        translation.setPlainText(u"新しい文。"_s);
    }
    QStringList contents() const
    {
        return folder.rows(u"SELECT * FROM カテゴリ ORDER BY 1"_s) +
               folder.rows(u"SELECT * FROM タイトル ORDER BY 1"_s) +
               folder.rows(u"SELECT * FROM オプション ORDER BY 1, 2"_s) + reviews();
    }
    // The review tables with their schema, when the book has them.
    QStringList reviews() const
    {
        const QStringList schema = folder.rows(
            u"SELECT sql FROM sqlite_master WHERE tbl_name IN ('復習記録', '記憶') ORDER BY 1"_s);
        if (schema.isEmpty())
            return {};
        return schema + folder.rows(u"SELECT * FROM 復習記録 ORDER BY 3"_s) +
               folder.rows(u"SELECT * FROM 記憶 ORDER BY 1"_s);
    }
};

// Each step is one operation, as the window runs it.
using Step = std::function<EditOutcome(Book&)>;
struct Edit {
    const char* name;
    std::vector<Step> steps;
    std::function<void(Book&)> before = {}; // run with the power safely on
};

// clang-format off
const Edit kEdits[] = {
    {"category add", {[](Book& b) { b.combo.setEditText(u"new"_s); return b.book.AddCategory(); }}},
    // Deleting a category is two edits, as the main window runs them.
    {"category delete", {
        [](Book& b) { return b.book.DeleteCategoryTitles(TitleMode::EJ); },
        [](Book& b) { return b.book.DeleteCategory(); }}},
    {"title register", {[](Book& b) {
        b.title.setText(u"new title"_s);
        return b.book.AddTitle(TitleMode::EJ, [](const QString&) { return u"新題"_s; }); }}},
    {"title update", {[](Book& b) { return b.book.UpdateTitle(TitleMode::EJ); }}},
    {"title delete", {[](Book& b) { return b.book.DeleteTitle(TitleMode::EJ); }}},
    {"option save", {[](Book& b) { return b.options.WriteOption(Option::Speed, u"190"_s) == 0 ? EditOutcome::Done : EditOutcome::Failed; }}},
    {"review record", {[](Book& b) { return b.book.RecordReview(TitleMode::JE, u"c 題 2"_s, true, kFirstReview + 86'400'000) ? EditOutcome::Done : EditOutcome::Failed; }}},
    // A book from before the review tables gets them with its first review.
    {"review record, tables added", {[](Book& b) { return b.book.RecordReview(TitleMode::EJ, u"kept"_s, true, kFirstReview) ? EditOutcome::Done : EditOutcome::Failed; }},
        [](Book& b) { b.folder.exec(u"DROP TABLE 復習記録; DROP TABLE 記憶"_s); }},
};
// clang-format on

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
        // What the file holds before and after each step, from a run without power cuts.
        QList<QStringList> states;
        {
            Book b;
            if (e.before)
                e.before(b);
            states << b.contents();
            for (const Step& step : e.steps) {
                QCOMPARE(step(b), EditOutcome::Done);
                states << b.contents();
            }
        }

        for (int cut = 1;; ++cut) {
            Book b;
            if (e.before)
                e.before(b);
            PowerCut::arm(cut);
            qsizetype acknowledged = 0;
            while (acknowledged < qsizetype(e.steps.size()) &&
                   e.steps[acknowledged](b) == EditOutcome::Done)
                ++acknowledged;
            const int points = PowerCut::disarm();
            const QByteArray where = QByteArray(e.name) + " cut at " + QByteArray::number(cut);
            QVERIFY2(b.folder.rows(u"PRAGMA integrity_check"_s) == QStringList{u"ok"_s}, where);
            const QStringList now = b.contents();
            QVERIFY2(now == states[acknowledged] ||
                         (acknowledged + 1 < states.size() && now == states[acknowledged + 1]),
                     where);
            // The last cut came after the edit's every sync and deletion.
            if (points < cut)
                break;
        }
    }
};

QTEST_MAIN(TestPowerLoss)
#include "tst_powerloss.moc"
