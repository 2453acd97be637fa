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
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
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

// rowid → the row's columns; a Null reads as a null QString.
using Table = std::map<long long, QStringList>;

Table readTable(sqlite3* db, const char* sql)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK)
        fault("can't read", QString::fromUtf8(sqlite3_errmsg(db)));
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, sqlite3_finalize);
    Table rows;
    while (sqlite3_step(raw) == SQLITE_ROW) {
        QStringList columns;
        for (int i = 1; i < sqlite3_column_count(raw); ++i) {
            // Read as the program reads a value.
            QString value;
            if (sqlite3_column_type(raw, i) != SQLITE_NULL)
                appendFromEngine(value, sqlite3_column_text(raw, i), sqlite3_column_bytes(raw, i));
            columns << value;
        }
        rows[sqlite3_column_int64(raw, 0)] = columns;
    }
    return rows;
}

struct Snapshot {
    Table options, categories, titles;
};

Snapshot snapshot(const QString& file)
{
    const Connection db = connect(file);
    return {readTable(db.get(), "SELECT rowid, * FROM オプション"),
            readTable(db.get(), "SELECT rowid, * FROM カテゴリ"),
            readTable(db.get(), "SELECT rowid, * FROM タイトル")};
}

void checkIntegrity(const QString& file)
{
    const Connection db = connect(file);
    const Table result = readTable(db.get(), "SELECT 0, * FROM pragma_integrity_check");
    if (result.size() != 1 || result.begin()->second != QStringList{u"ok"_s})
        fault("integrity check failed");
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
    const QString a = stored(value), b = stored(key);
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode(), y = b[i].unicode();
        auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        if (fold(x) != fold(y))
            return false;
    }
    return true;
}

struct Diff {
    Table added, removed;
    std::map<long long, std::pair<QStringList, QStringList>> changed;
};

Diff diff(const Table& before, const Table& after)
{
    Diff d;
    for (const auto& [rowid, row] : before) {
        const auto it = after.find(rowid);
        if (it == after.end())
            d.removed[rowid] = row;
        else if (it->second != row)
            d.changed[rowid] = {row, it->second};
    }
    for (const auto& [rowid, row] : after)
        if (!before.count(rowid))
            d.added[rowid] = row;
    return d;
}

bool unchanged(const Diff& d)
{
    return d.added.empty() && d.removed.empty() && d.changed.empty();
}

// In memory where there is a tmpfs: the file is synced after every edit.
QString scratchFolder()
{
    const QString shm = u"/dev/shm"_s;
    return (QFileInfo(shm).isWritable() ? shm : QDir::tempPath()) + u"/wordlark-fuzz-XXXXXX"_s;
}

struct Scratch {
    QTemporaryDir dir{scratchFolder()};
    QString templateFile;

    Scratch()
    {
        templateFile = dir.filePath(u"template.mdb"_s);
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

enum Op {
    ListCats,
    ListTitles,
    Filter,
    Load,
    AddCat,
    DelCat,
    DelCatTitles,
    AddTitle,
    Update,
    Delete
};
constexpr int kOps = 10;

// The texts each operation may leave: the scratch file holds no Nulls and few rows, so a
// lookup never fails, and an edit fails only with its own text.
void checkStatus(Op op, const QString& status, const StoreWidgets& c)
{
    using namespace StoreTexts;
    const QString emptyCategory = noTitlesIn(c.combo.currentText());
    const std::map<Op, QStringList> allowed{
        {ListCats, {noCategories}},
        {ListTitles, {emptyCategory}},
        {Filter, {noMatch, searchPatternMalformed}},
        {Load, {titleMissing}},
        {AddCat, {added, addCategoryFailed}},
        {DelCat, {deleted, notFound}},
        {DelCatTitles, {notFound}},
        {AddTitle, {added, addTitleFailed}},
        {Update, {updated, notFound, updateTitleFailed}},
        {Delete, {deleted, notFound}},
    };
    if (status == u"-"_s || allowed.at(op).contains(status))
        return;
    if (status == statementRefused) {
        // A NUL ends a statement early.
        const QString typed = c.combo.currentText() + c.title.text() + c.list.selectedTitle();
        if (typed.contains(QChar(0)) || (op == Filter && c.search.text().contains(QChar(0))))
            return;
    }
    fault("unexpected status", status);
}

void checkChanges(Op op, TitleMode mode, EditOutcome outcome, const Snapshot& before,
                  const Snapshot& after, const StoreWidgets& c, const QString& answer)
{
    const Diff options = diff(before.options, after.options);
    const Diff cats = diff(before.categories, after.categories);
    const Diff titles = diff(before.titles, after.titles);
    if (!unchanged(options))
        fault("options changed");
    const int titleColumn = mode == TitleMode::EJ ? 0 : 1;
    const QString category = c.combo.currentText();
    const QString key = c.title.text();
    const bool known =
        std::any_of(before.categories.begin(), before.categories.end(),
                    [&](const auto& row) { return sameKey(row.second[0], category); });
    if ((op == AddTitle || op == Update) && outcome == EditOutcome::Done && !known)
        fault("a title went into a category the book doesn't hold", category);
    switch (op) {
    case ListCats:
    case ListTitles:
    case Filter:
    case Load:
        if (!unchanged(cats) || !unchanged(titles))
            fault("a lookup changed the file");
        return;
    case AddCat:
        if (!unchanged(titles) || !cats.removed.empty() || !cats.changed.empty() ||
            cats.added.size() != (outcome == EditOutcome::Done ? 1u : 0u))
            fault("AddCategory changed other rows");
        if (!cats.added.empty() && cats.added.begin()->second != QStringList{stored(category)})
            fault("AddCategory stored another name");
        return;
    case DelCat:
        if (!unchanged(titles) || !cats.added.empty() || !cats.changed.empty() ||
            cats.removed.size() != (outcome == EditOutcome::Done ? 1u : 0u))
            fault("DeleteCategory changed other rows");
        for (const auto& [rowid, row] : cats.removed)
            if (!sameKey(row[0], category))
                fault("DeleteCategory deleted another category", row[0]);
        return;
    case DelCatTitles:
        if (!unchanged(cats) || !titles.added.empty() || !titles.changed.empty())
            fault("DeleteCategoryTitles changed other rows");
        for (const auto& [rowid, row] : titles.removed)
            if (!sameKey(row[4], category))
                fault("DeleteCategoryTitles deleted another category's title", row[4]);
        if (outcome == EditOutcome::Done)
            for (const auto& [rowid, row] : after.titles)
                if (sameKey(row[4], category))
                    fault("DeleteCategoryTitles left a title");
        return;
    case AddTitle: {
        if (!unchanged(cats) || !titles.removed.empty() || !titles.changed.empty() ||
            titles.added.size() != (outcome == EditOutcome::Done ? 1u : 0u))
            fault("AddTitle changed other rows");
        const bool ej = mode == TitleMode::EJ;
        const QStringList expected{stored(ReplaceApostrophes(ej ? key : answer)),
                                   stored(ej ? answer : key), boxText(c.english.toPlainText()),
                                   boxText(c.translation.toPlainText()), stored(category)};
        if (!titles.added.empty() && boxColumns(titles.added.begin()->second, 2) != expected)
            fault("AddTitle stored other values",
                  boxColumns(titles.added.begin()->second, 2).join(u'|') + u" <> "_s +
                      expected.join(u'|'));
        return;
    }
    case Update: {
        if (!unchanged(cats) || !titles.removed.empty() || !titles.added.empty() ||
            titles.changed.size() > 1 || (outcome != EditOutcome::Done && !titles.changed.empty()))
            fault("UpdateTitle changed other rows");
        const QStringList values{boxText(c.english.toPlainText()),
                                 boxText(c.translation.toPlainText()), stored(category)};
        for (const auto& [rowid, change] : titles.changed)
            if (!sameKey(change.first[titleColumn], key) ||
                change.second.mid(0, 2) != change.first.mid(0, 2) ||
                boxColumns(change.second, 0).mid(2) != values)
                fault("UpdateTitle changed another title", change.first[titleColumn]);
        return;
    }
    case Delete:
        if (!unchanged(cats) || !titles.added.empty() || !titles.changed.empty() ||
            titles.removed.size() != (outcome == EditOutcome::Done ? 1u : 0u))
            fault("DeleteTitle changed other rows");
        for (const auto& [rowid, row] : titles.removed)
            if (!sameKey(row[titleColumn], key))
                fault("DeleteTitle deleted another title", row[titleColumn]);
        return;
    }
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
        const QString answer = fields[6];

        const Snapshot before = snapshot(work);
        EditOutcome outcome = EditOutcome::Done;
        switch (op) {
        case ListCats:
            book.ListCategories();
            break;
        case ListTitles:
            book.ListTitles(mode);
            break;
        case Filter:
            book.FilterTitles(mode);
            break;
        case Load:
            book.LoadTitle(mode);
            break;
        case AddCat:
            outcome = book.AddCategory();
            break;
        case DelCat:
            outcome = book.DeleteCategory();
            break;
        case DelCatTitles:
            outcome = book.DeleteCategoryTitles(mode);
            break;
        case AddTitle:
            outcome = book.AddTitle(mode, [&](const QString&) { return answer; });
            break;
        case Update:
            outcome = book.UpdateTitle(mode);
            break;
        case Delete:
            outcome = book.DeleteTitle(mode);
            break;
        }
        if (openFileCount() != 0)
            fault("a handle stayed open");
        checkStatus(op, c.status.text(), c);
        checkChanges(op, mode, outcome, before, snapshot(work), c, answer);
    }
    checkIntegrity(work);
    return 0;
}
