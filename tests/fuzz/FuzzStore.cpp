// Every store operation with arbitrary texts in its controls, on a scratch phrase book. Each
// operation may change only rows its controls name; the file stays sound, and no handle stays
// open.
#include "DatabasePath.h"
#include "EngineText.h"
#include "FuzzInput.h"
#include "OpenFiles.h"
#include "PhraseBook.h"
#include "PhraseBookFile.h"
#include "StoreWidgets.h"

#include <QApplication>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fault(const char* what, const QString& detail = {})
{
    std::fprintf(stderr, "store fuzz: %s %s\n", what, qPrintable(detail.left(200)));
    std::abort();
}

using Connection = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Connection connect(const QString& file)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        fault("can't open the scratch file");
    return Connection(db, sqlite3_close);
}

enum Table { Options, Categories, Titles };
// (table, first column) → the other columns, read as the program reads a value.
using Rows = QMap<std::pair<int, qint64>, QStringList>;

void read(const QString& file, int table, const char* sql, Rows& rows)
{
    const Connection db = connect(file);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql, -1, &raw, nullptr) != SQLITE_OK)
        fault("can't read", QString::fromUtf8(sqlite3_errmsg(db.get())));
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, sqlite3_finalize);
    while (sqlite3_step(raw) == SQLITE_ROW) {
        QStringList& columns = rows[{table, sqlite3_column_int64(raw, 0)}];
        for (int i = 1; i < sqlite3_column_count(raw); ++i)
            appendFromEngine(columns.emplace_back(), sqlite3_column_text(raw, i),
                             sqlite3_column_bytes(raw, i));
    }
}

Rows snapshot(const QString& file)
{
    Rows rows;
    read(file, Options, "SELECT rowid, * FROM オプション", rows);
    read(file, Categories, "SELECT rowid, * FROM カテゴリ", rows);
    read(file, Titles, "SELECT rowid, * FROM タイトル", rows);
    return rows;
}

// Key equality as the schema's NOCASE has it: ASCII letters only.
bool sameKey(const QString& value, const QString& key)
{
    auto fold = [](const QString& text) {
        QString out = engineText(text);
        for (QChar& c : out)
            if (c >= u'A' && c <= u'Z')
                c = QChar(c.unicode() + 32);
        return out;
    };
    return fold(value) == fold(key);
}

using Operation = std::function<EditOutcome(PhraseBook&, TitleMode, const QString& answer)>;
const Operation kOperations[] = {
    [](PhraseBook& b, TitleMode, auto&) { return b.ListCategories(), EditOutcome::Done; },
    [](PhraseBook& b, TitleMode m, auto&) { return b.ListTitles(m), EditOutcome::Done; },
    [](PhraseBook& b, TitleMode m, auto&) { return b.FilterTitles(m), EditOutcome::Done; },
    [](PhraseBook& b, TitleMode m, auto&) { return b.LoadTitle(m), EditOutcome::Done; },
    [](PhraseBook& b, TitleMode, auto&) { return b.AddCategory(); },
    [](PhraseBook& b, TitleMode, auto&) { return b.DeleteCategory(); },
    [](PhraseBook& b, TitleMode m, auto&) { return b.DeleteCategoryTitles(m); },
    [](PhraseBook& b, TitleMode m, const QString& answer) {
        return b.AddTitle(m, [&](const QString&) { return answer; });
    },
    [](PhraseBook& b, TitleMode m, auto&) { return b.UpdateTitle(m); },
    [](PhraseBook& b, TitleMode m, auto&) { return b.DeleteTitle(m); },
};
enum Op { AddCat = 4, DelCat, DelCatTitles, AddTitle, Update, DelTitle };
constexpr int kOps = int(std::size(kOperations));

// Whether the row at where may go from was to now (empty: no row) in the operation: a
// category or title it names, by the category or the title typed.
bool fits(Op op, TitleMode mode, std::pair<int, qint64> where, const QStringList& was,
          const QStringList& now, const StoreWidgets& c)
{
    const QString category = c.combo.currentText(), key = c.title.text();
    const int keyColumn = mode == TitleMode::EJ ? 0 : 1;
    const bool inCategories = where.first == Categories, inTitles = where.first == Titles;
    switch (op) {
    case AddCat:
        return inCategories && was.isEmpty() && now == QStringList{engineText(category)};
    case DelCat:
        return inCategories && now.isEmpty() && sameKey(was[0], category);
    case DelCatTitles:
        return inTitles && now.isEmpty() && sameKey(was[4], category);
    case AddTitle:
        return inTitles && was.isEmpty() && sameKey(now[4], category);
    case Update:
        return inTitles && !was.isEmpty() && sameKey(was[keyColumn], key) &&
               now.mid(0, 2) == was.mid(0, 2) && sameKey(now[4], category);
    case DelTitle:
        return inTitles && now.isEmpty() && sameKey(was[keyColumn], key);
    }
    return false;
}

// The phrase book each input starts from, in a folder that lasts as long as the process.
QString templateFile;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_store";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    static const QTemporaryDir dir;
    templateFile = dir.filePath(u"template.mdb"_s);
    if (!createPhraseBook(templateFile, PhraseBookContents::OptionsSample).isEmpty())
        fault("can't make the template");
    // Keys that look like statement text, so that mutations find them.
    if (sqlite3_exec(connect(templateFile).get(),
                     "INSERT INTO カテゴリ VALUES ('Don''t'), (''' OR ''''='''), ('a;b');"
                     "INSERT INTO タイトル VALUES"
                     " ('It’s', 'それ''です', 'It is.', 'それです。', 'Don''t'),"
                     " (''' OR ''''=''', '''''', 'q', 'q', ''' OR ''''='''),"
                     " ('semi;colon', 'セミ;コロン', ' ', '', 'a;b'),"
                     " ('Q', 'キュー', 'Q.', 'キュー。', 'Don''t')",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        fault("can't fill the template");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    // Two operations, each with a title mode, then the texts of the controls.
    const std::uint8_t codes[] = {data[0], data[1]};
    auto fields = fuzzFields(data + 2, size - 2);
    fields.resize(7);

    const QString work = DatabasePath(QFileInfo(templateFile).path());
    QFile::remove(work);
    if (!QFile::copy(templateFile, work))
        fault("can't copy the template");

    StoreWidgets c;
    PhraseBook book(QFileInfo(work).path(), c.view());
    for (const std::uint8_t code : codes) {
        if (code == 0xFF)
            continue;
        const auto op = static_cast<Op>(code % kOps);
        const TitleMode mode = (code / kOps) % 2 ? TitleMode::JE : TitleMode::EJ;
        c.combo.setEditText(fields[0]);
        c.search.setText(fields[1]);
        c.english.setPlainText(fields[2]);
        c.title.setText(fields[3]);
        c.translation.setPlainText(fields[4]);
        c.list.clear();
        c.list.addItems({fields[5]});
        c.list.setCurrentRow(0);

        const Rows before = snapshot(work);
        kOperations[op](book, mode, fields[6]);
        if (openFileCount() != 0)
            fault("a handle stayed open");
        const Rows after = snapshot(work);
        Rows either = before;
        either.insert(after);
        for (const auto& [where, ignored] : either.asKeyValueRange()) {
            const QStringList was = before.value(where), now = after.value(where);
            if (was != now && !fits(op, mode, where, was, now, c))
                fault("a row the operation doesn't name changed",
                      was.join(u'|') + u" -> "_s + now.join(u'|'));
        }
    }
    Rows integrity;
    read(work, 0, "SELECT 0, * FROM pragma_integrity_check", integrity);
    if (integrity.size() != 1 || integrity.first() != QStringList{u"ok"_s})
        fault("integrity check failed");
    return 0;
}
