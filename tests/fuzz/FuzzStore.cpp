// Every store operation with arbitrary texts in its controls, on a scratch phrase book. Each
// operation may change only the rows its statement names, the file stays sound, and no
// handle stays open.
#include "Apostrophes.h"
#include "DatabasePath.h"
#include "EngineText.h"
#include "FuzzInput.h"
#include "OpenFiles.h"
#include "PhraseBook.h"
#include "PhraseBookFile.h"
#include "StoreTexts.h"
#include "StoreWidgets.h"

#include <QApplication>
#include <QDir>
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
// (table, first column) → the other columns, read as the program reads a value; a Null
// reads as a null QString.
using Rows = QMap<std::pair<int, qint64>, QStringList>;

void read(sqlite3* db, int table, const char* sql, Rows& rows)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        fault("can't read", QString::fromUtf8(sqlite3_errmsg(db)));
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, sqlite3_finalize);
    while (sqlite3_step(raw) == SQLITE_ROW) {
        QStringList& columns = rows[{table, sqlite3_column_int64(raw, 0)}];
        for (int i = 1; i < sqlite3_column_count(raw); ++i) {
            columns << QString();
            if (sqlite3_column_type(raw, i) != SQLITE_NULL)
                appendFromEngine(columns.back(), sqlite3_column_text(raw, i),
                                 sqlite3_column_bytes(raw, i));
        }
    }
}

Rows snapshot(const QString& file)
{
    const Connection db = connect(file);
    Rows rows;
    read(db.get(), Options, "SELECT rowid, * FROM オプション", rows);
    read(db.get(), Categories, "SELECT rowid, * FROM カテゴリ", rows);
    read(db.get(), Titles, "SELECT rowid, * FROM タイトル", rows);
    return rows;
}

// A text as the file gives it back: a lone surrogate can't be stored and reads as U+FFFD.
QString stored(const QString& text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out[i].isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate())
            ++i;
        else if (out[i].isSurrogate())
            out[i] = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

// A multi-line box's text, whichever way the box gives it: non-breaking spaces as spaces,
// paragraph and line separators as line ends.
QString boxText(const QString& text)
{
    QString out = stored(text);
    out.replace(QChar(0x00A0), u' ').replace(QChar(0x2029), u'\n').replace(QChar(0x2028), u'\n');
    return out;
}

QStringList boxColumns(QStringList row, int first)
{
    for (int i = first; i < first + 2 && i < row.size(); ++i)
        row[i] = boxText(row[i]);
    return row;
}

// Key equality as the schema's NOCASE has it: ASCII letters only.
bool sameKey(const QString& value, const QString& key)
{
    auto fold = [](const QString& text) {
        QString out = stored(text);
        for (QChar& c : out)
            if (c >= u'A' && c <= u'Z')
                c = QChar(c.unicode() + 32);
        return out;
    };
    return fold(value) == fold(key);
}

// In memory where there is a tmpfs: the file is synced after every edit.
QString scratchFolder()
{
    const QString shm = u"/dev/shm"_s;
    return (QFileInfo(shm).isWritable() ? shm : QDir::tempPath()) + u"/wordlark-fuzz-XXXXXX"_s;
}

struct Scratch {
    QTemporaryDir dir{scratchFolder()};
    QString templateFile = dir.filePath(u"template.mdb"_s);

    Scratch()
    {
        if (!createPhraseBook(templateFile, PhraseBookContents::OptionsSample).isEmpty())
            fault("can't make the template");
        // Keys that look like statement text, so that mutations find them.
        const Connection db = connect(templateFile);
        if (sqlite3_exec(db.get(),
                         "INSERT INTO カテゴリ VALUES ('Don''t'), (''' OR ''''='''), ('a;b');"
                         "INSERT INTO タイトル VALUES"
                         " ('It’s', 'それ''です', 'It is.', 'それです。', 'Don''t'),"
                         " (''' OR ''''=''', '''''', 'q', 'q', ''' OR ''''='''),"
                         " ('semi;colon', 'セミ;コロン', ' ', '', 'a;b'),"
                         " ('Q', 'キュー', 'Q.', 'キュー。', 'Don''t')",
                         nullptr, nullptr, nullptr) != SQLITE_OK)
            fault("can't fill the template");
    }
    QString work() const { return DatabasePath(dir.path()); }
};

// Texts longer than a test file should hold: U+FFFE, a count, then a piece to repeat.
QString expand(const QString& field)
{
    if (field.size() < 2 || field[0] != QChar(0xFFFE))
        return field;
    const QString piece = field.mid(2).isEmpty() ? u"x"_s : field.mid(2);
    const qsizetype units = qMin<qsizetype>(qsizetype(field[1].unicode()) * 64, 1 << 20);
    return piece.repeated(units / piece.size() + 1).left(units);
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
enum Op { ListCats, ListTitles, Filter, Load, AddCat, DelCat, DelCatTitles, AddTitle, Update };
constexpr int kOps = int(std::size(kOperations));

// What an operation may do: the status texts it may leave, and the rows of one table it may
// add, remove or rewrite, each fitting what the controls held. An edit reported done changed
// one row, at most one, or any number; any other changed none.
enum Change { Adds, Removes, Rewrites };
enum Count { Any, One, AtMostOne };
struct Rule {
    QStringList statuses;
    int table = -1;
    Change kind = Adds;
    Count count = Any;
    std::function<bool(const QStringList& was, const QStringList& now)> fits = {};
};

void check(Op op, TitleMode mode, EditOutcome outcome, const Rows& before, const Rows& after,
           const StoreWidgets& c, const QString& answer)
{
    using namespace StoreTexts;
    const QString category = c.combo.currentText();
    const QString key = c.title.text();
    const int keyColumn = mode == TitleMode::EJ ? 0 : 1;
    const bool ej = mode == TitleMode::EJ;
    const QStringList typed{stored(ReplaceApostrophes(ej ? key : answer)),
                            stored(ej ? answer : key), boxText(c.english.toPlainText()),
                            boxText(c.translation.toPlainText()), stored(category)};
    // clang-format off
    const Rule rules[] = {
        {{noCategories}},
        {{noTitlesIn(category)}},
        {{noMatch, searchPatternMalformed}},
        {{titleMissing}},
        {{added, addCategoryFailed}, Categories, Adds, One, [&](auto&, auto& now) { return now == QStringList{stored(category)}; }},
        {{deleted, notFound}, Categories, Removes, One, [&](auto& was, auto&) { return sameKey(was[0], category); }},
        {{notFound}, Titles, Removes, Any, [&](auto& was, auto&) { return sameKey(was[4], category); }},
        {{added, addTitleFailed}, Titles, Adds, One, [&](auto&, auto& now) { return boxColumns(now, 2) == typed; }},
        {{updated, notFound, updateTitleFailed}, Titles, Rewrites, AtMostOne, [&](auto& was, auto& now) {
            return sameKey(was[keyColumn], key) && now.mid(0, 2) == was.mid(0, 2) && boxColumns(now, 0).mid(2) == typed.mid(2); }},
        {{deleted, notFound}, Titles, Removes, One, [&](auto& was, auto&) { return sameKey(was[keyColumn], key); }},
    };
    // clang-format on
    const Rule& rule = rules[op];
    const QString status = c.status.text();
    // A NUL ends a statement early.
    const QString statementTexts =
        category + key + c.list.selectedTitle() + (op == Filter ? c.search.text() : QString());
    if (status != u"-"_s && !rule.statuses.contains(status) &&
        !(status == statementRefused && statementTexts.contains(QChar(0))))
        fault("unexpected status", status);

    bool known = false;
    for (const auto& [where, row] : before.asKeyValueRange())
        known = known || (where.first == Categories && sameKey(row[0], category));
    const bool done = outcome == EditOutcome::Done;
    if ((op == AddTitle || op == Update) && done && !known)
        fault("a title went into a category the book doesn't hold", category);
    int changed = 0;
    Rows either = before;
    either.insert(after);
    for (const auto& [where, ignored] : either.asKeyValueRange()) {
        const QStringList was = before.value(where), now = after.value(where);
        if (was == now)
            continue;
        const auto kind = was.isEmpty() ? Adds : now.isEmpty() ? Removes : Rewrites;
        if (where.first != rule.table || kind != rule.kind || !rule.fits(was, now))
            fault("a row the operation doesn't name changed",
                  QString::number(op) + u": "_s + was.join(u'|') + u" -> "_s + now.join(u'|'));
        ++changed;
    }
    if (rule.count != Any &&
        (done ? changed > 1 || (rule.count == One && changed == 0) : changed != 0))
        fault("an edit changed the wrong number of rows", QString::number(op));
    if (op == DelCatTitles && done)
        for (const auto& [where, row] : after.asKeyValueRange())
            if (where.first == Titles && sameKey(row[4], category))
                fault("DeleteCategoryTitles left a title");
}

Scratch* scratch;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_store";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    scratch = new Scratch;
    std::atexit([] { delete scratch; });
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
    for (QString& field : fields)
        field = expand(field);

    const QString work = scratch->work();
    QFile::remove(work);
    if (!QFile::copy(scratch->templateFile, work))
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
        c.status.setText(u"-"_s);

        const Rows before = snapshot(work);
        const EditOutcome outcome = kOperations[op](book, mode, fields[6]);
        if (openFileCount() != 0)
            fault("a handle stayed open");
        check(op, mode, outcome, before, snapshot(work), c, fields[6]);
    }
    Rows integrity;
    read(connect(work).get(), 0, "SELECT 0, * FROM pragma_integrity_check", integrity);
    if (integrity.size() != 1 || integrity.first() != QStringList{u"ok"_s})
        fault("integrity check failed");
    return 0;
}
