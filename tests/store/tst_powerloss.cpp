// The power may go at any write or sync of any edit: the file must stay whole, keep every edit
// that was reported done, and hold the edit it cut either wholly or not at all.

#include "CrashVfs.h"
#include "DatabasePath.h"
#include "OptionStore.h"
#include "PhraseBook.h"
#include "StoreWidgets.h"
#include "TestFolder.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// One phrase book in a folder of its own, with the controls the operations read.
struct Book : StoreWidgets {
    QTemporaryDir dir;
    PhraseBook book{dir.path(), view()};
    OptionStore options{dir.path()};

    explicit Book(const QByteArray& file)
    {
        QFile out(DatabasePath(dir.path()));
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
            qFatal("can't write the phrase book");
        combo.setEditText(u"c"_s);
        title.setText(u"c title 2"_s);
        english.setPlainText(u"New sentence."_s);
        translation.setPlainText(u"新しい文。"_s);
    }
    QStringList rows(const QString& sql) const { return rowsOf(DatabasePath(dir.path()), sql); }
    QStringList contents() const
    {
        return rows(u"SELECT * FROM カテゴリ ORDER BY 1"_s) +
               rows(u"SELECT * FROM タイトル ORDER BY 1"_s) +
               rows(u"SELECT * FROM オプション ORDER BY 1, 2"_s);
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

    int m_cutPoints = 0;

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

        CrashVfs vfs;
        for (int cut = 1;; ++cut) {
            Book b(start);
            vfs.arm(cut, quint32(edit * 10007 + cut));
            qsizetype acknowledged = 0;
            for (const Step& step : e.steps) {
                if (!step(b))
                    break;
                ++acknowledged;
            }
            const int points = vfs.disarm();
            const QByteArray where = QByteArray(e.name) + " cut at " + QByteArray::number(cut);
            QVERIFY2(b.rows(u"PRAGMA integrity_check"_s) == QStringList{u"ok"_s}, where);
            const QStringList now = b.contents();
            QVERIFY2(now == states[acknowledged] ||
                         (acknowledged + 1 < states.size() && now == states[acknowledged + 1]),
                     where);
            ++m_cutPoints;
            // The last cut came after the edit's every write and sync.
            if (points < cut)
                break;
        }
    }

    void cleanupTestCase() { qInfo("%d cut points tried", m_cutPoints); }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestPowerLoss test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_powerloss.moc"
