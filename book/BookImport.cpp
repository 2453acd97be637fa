#include "BookImport.h"

#include "Apostrophes.h"
#include "BookError.h"
#include "BookFile.h"
#include "Database.h"
#include "Progress.h"
#include "RecordReader.h"
#include "Statement.h"

#include <QIODevice>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace {

// sqlite3_exec for the transaction's own statements; the result code.
int run(Database& db, const char* sql)
{
    return sqlite3_exec(db.handle(), sql, nullptr, nullptr, nullptr);
}

// Rolls back whatever the import wrote unless it was committed.
class Transaction {
public:
    explicit Transaction(Database& db)
        : m_db(db)
    {
        // Taking the write lock at once makes the wait for another program happen here.
        if (run(db, "BEGIN IMMEDIATE") != SQLITE_OK)
            fail();
    }
    ~Transaction()
    {
        if (!m_done)
            run(m_db, "ROLLBACK");
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit()
    {
        if (run(m_db, "COMMIT") != SQLITE_OK)
            fail();
        m_done = true;
    }

private:
    [[noreturn]] void fail() const
    {
        const int rc = sqlite3_errcode(m_db.handle());
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            throw BookError(busyMessage(bookPath(m_db)));
        throw BookError(QStringLiteral("%1: can't write: %2")
                            .arg(bookPath(m_db), QString::fromUtf8(sqlite3_errmsg(m_db.handle()))));
    }

    Database& m_db;
    bool m_done = false;
};

// NOCASE compares ASCII letters without case, and nothing else.
QByteArray foldedCase(const QByteArray& text)
{
    QByteArray folded = text;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// A title from the file as a problem quotes it: on the one line of the report, and with no
// control character that a terminal would act on (a file from elsewhere could clear the
// screen or forge lines).
QString quoted(const QByteArray& utf8)
{
    QString shown;
    for (const QChar c : QString::fromUtf8(utf8)) {
        if (c == u'\t')
            shown += u"\\t";
        else if (c == u'\n')
            shown += u"\\n";
        else if (c == u'\r')
            shown += u"\\r";
        else if (c.category() == QChar::Other_Control)
            shown +=
                QStringLiteral("\\u%1").arg(static_cast<int>(c.unicode()), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return u'"' + shown + u'"';
}

bool isHeader(const std::vector<QByteArray>& fields)
{
    auto named = [&](std::initializer_list<int> columns) {
        if (fields.size() != columns.size())
            return false;
        auto field = fields.begin();
        for (const int column : columns)
            if (QByteArrayView(*field++).compare(kColumnNames[column], Qt::CaseInsensitive) != 0)
                return false;
        return true;
    };
    return named({Category, EnglishTitle, JapaneseTitle, Sentence, Translation}) ||
           named({Sentence, Translation});
}

class Importer {
public:
    Importer(Database& db, const ImportOptions& options)
        : m_db(db)
        , m_options(options)
        , m_category(options.category.toUtf8())
        , m_addTitle(db.handle(), QStringLiteral("INSERT INTO タイトル (タイトル名_英語, "
                                                 "タイトル名_日本語, 英文, 和訳, カテゴリ名) "
                                                 "VALUES (?2, ?3, ?4, ?5, ?1)"))
        , m_updateTitle(db.handle(), QStringLiteral("UPDATE タイトル SET タイトル名_英語 = ?2, "
                                                    "タイトル名_日本語 = ?3, 英文 = ?4, 和訳 = "
                                                    "?5, カテゴリ名 = ?1 WHERE rowid = ?6"))
        , m_addCategory(db.handle(),
                        QStringLiteral("INSERT OR IGNORE INTO カテゴリ (カテゴリ名) VALUES (?)"))
        , m_findEnglish(db.handle(),
                        QStringLiteral("SELECT rowid FROM タイトル WHERE タイトル名_英語 = ?"))
        , m_findJapanese(db.handle(),
                         QStringLiteral("SELECT rowid FROM タイトル WHERE タイトル名_日本語 = ?"))
    {
    }

    ImportCounts counts;

    // The title a record stands for, or the problem with it.
    QString toTitle(const std::vector<QByteArray>& fields, const AnkiHeaders& anki,
                    TitleFields& title) const;
    // Writes one title; the problem with it, if any.
    QString write(const TitleFields& title, int line);

private:
    QString resolveDuplicate(const TitleFields& title, int line);
    void addCategory(const QByteArray& name);
    long long find(Statement& query, const QByteArray& key);
    int lineOf(long long rowid) const;
    void bindTitle(Statement& statement, const TitleFields& title);

    Database& m_db;
    const ImportOptions& m_options;
    QByteArray m_category;
    Statement m_addTitle, m_updateTitle, m_addCategory, m_findEnglish, m_findJapanese;
    QSet<QByteArray> m_categories;
    // Rows this file wrote, with their lines: added rows in rowid order, and existing rows
    // that a line updated or skipped.
    std::vector<std::pair<long long, int>> m_added;
    std::unordered_map<long long, int> m_touched;
};

QString Importer::toTitle(const std::vector<QByteArray>& fields, const AnkiHeaders& anki,
                          TitleFields& title) const
{
    const auto count = static_cast<int>(fields.size());
    if (anki.present) {
        std::vector<int> noteFields;
        for (int i = 0; i < count; ++i)
            if (i != anki.deckColumn && i != anki.tagsColumn && i != anki.guidColumn &&
                i != anki.notetypeColumn)
                noteFields.push_back(i);
        if (noteFields.size() < 2)
            return QStringLiteral("a note needs a front and a back, found %1 columns").arg(count);
        title[Sentence] = fields[noteFields[0]];
        title[Translation] = fields[noteFields[1]];
        title[Category] = anki.deckColumn >= 0 && anki.deckColumn < count ? fields[anki.deckColumn]
                          : !anki.deck.isEmpty()                          ? anki.deck
                                                                          : m_category;
        if (title[Category].isEmpty() && m_category.isEmpty())
            return QStringLiteral("a note without a deck (give --category NAME)");
        title[EnglishTitle] = title[Sentence];
        title[JapaneseTitle] = title[Translation];
    } else if (count == ColumnCount) {
        std::copy(fields.begin(), fields.end(), title.begin());
    } else if (count == 2 && !m_category.isEmpty()) {
        title = {m_category, fields[0], fields[1], fields[0], fields[1]};
    } else {
        return QStringLiteral("expected %1 columns (or 2 with --category NAME), found %2")
            .arg(ColumnCount)
            .arg(count);
    }
    // The program writes English titles between apostrophes, so it stores none.
    if (title[EnglishTitle].contains('\''))
        title[EnglishTitle] = ReplaceApostrophes(QString::fromUtf8(title[EnglishTitle])).toUtf8();
    static const std::pair<BookColumn, const char*> kKeys[] = {
        {Category, "category"}, {EnglishTitle, "English title"}, {JapaneseTitle, "Japanese title"}};
    for (const auto& [column, what] : kKeys)
        if (title[column].isEmpty())
            return QStringLiteral("the %1 is empty").arg(QLatin1String(what));
    return {};
}

void Importer::bindTitle(Statement& statement, const TitleFields& title)
{
    for (int i = 0; i < ColumnCount; ++i)
        sqlite3_bind_text(statement.handle(), i + 1, title[i].constData(),
                          static_cast<int>(title[i].size()), SQLITE_STATIC);
}

QString Importer::write(const TitleFields& title, int line)
{
    bindTitle(m_addTitle, title);
    const int rc = sqlite3_step(m_addTitle.handle());
    sqlite3_reset(m_addTitle.handle());
    if (rc == SQLITE_DONE) {
        m_added.emplace_back(sqlite3_last_insert_rowid(m_db.handle()), line);
        ++counts.added;
        addCategory(title[Category]);
        return {};
    }
    if ((rc & 0xff) == SQLITE_CONSTRAINT)
        return resolveDuplicate(title, line);
    return QString::fromUtf8(sqlite3_errmsg(m_db.handle()));
}

QString Importer::resolveDuplicate(const TitleFields& title, int line)
{
    const long long english = find(m_findEnglish, title[EnglishTitle]);
    const long long japanese = find(m_findJapanese, title[JapaneseTitle]);
    if (!english && !japanese)
        return QString::fromUtf8(sqlite3_errmsg(m_db.handle()));
    if (const int earlier = lineOf(english))
        return QStringLiteral("the English title %1 is also on line %2")
            .arg(quoted(title[EnglishTitle]), QString::number(earlier));
    if (const int earlier = lineOf(japanese))
        return QStringLiteral("the Japanese title %1 is also on line %2")
            .arg(quoted(title[JapaneseTitle]), QString::number(earlier));
    if (english && japanese && english != japanese)
        return QStringLiteral("the English title is one title's in the phrase book and the "
                              "Japanese title another's");
    const long long existing = english ? english : japanese;
    switch (m_options.onDuplicate) {
    case OnDuplicate::Refuse:
        return english ? QStringLiteral("the English title %1 is already in the phrase book")
                             .arg(quoted(title[EnglishTitle]))
                       : QStringLiteral("the Japanese title %1 is already in the phrase book")
                             .arg(quoted(title[JapaneseTitle]));
    case OnDuplicate::Skip:
        ++counts.skipped;
        break;
    case OnDuplicate::Update: {
        bindTitle(m_updateTitle, title);
        sqlite3_bind_int64(m_updateTitle.handle(), 6, existing);
        const int rc = sqlite3_step(m_updateTitle.handle());
        sqlite3_reset(m_updateTitle.handle());
        if (rc != SQLITE_DONE)
            return QString::fromUtf8(sqlite3_errmsg(m_db.handle()));
        ++counts.updated;
        addCategory(title[Category]);
        break;
    }
    }
    m_touched.emplace(existing, line);
    return {};
}

void Importer::addCategory(const QByteArray& name)
{
    const QByteArray key = foldedCase(name);
    if (m_categories.contains(key))
        return;
    m_categories.insert(key);
    sqlite3_bind_text(m_addCategory.handle(), 1, name.constData(), static_cast<int>(name.size()),
                      SQLITE_STATIC);
    const int rc = sqlite3_step(m_addCategory.handle());
    sqlite3_reset(m_addCategory.handle());
    if (rc == SQLITE_DONE && sqlite3_changes(m_db.handle()) > 0)
        ++counts.categoriesAdded;
}

long long Importer::find(Statement& query, const QByteArray& key)
{
    sqlite3_bind_text(query.handle(), 1, key.constData(), static_cast<int>(key.size()),
                      SQLITE_STATIC);
    const long long rowid =
        sqlite3_step(query.handle()) == SQLITE_ROW ? sqlite3_column_int64(query.handle(), 0) : 0;
    sqlite3_reset(query.handle());
    return rowid;
}

int Importer::lineOf(long long rowid) const
{
    if (!rowid)
        return 0;
    const auto added =
        std::lower_bound(m_added.begin(), m_added.end(), std::pair<long long, int>(rowid, 0));
    if (added != m_added.end() && added->first == rowid)
        return added->second;
    const auto touched = m_touched.find(rowid);
    return touched != m_touched.end() ? touched->second : 0;
}

} // namespace

ImportCounts importBook(Database& db, QIODevice& in, const QString& name,
                        const ImportOptions& options,
                        const std::function<void(const QString&)>& report, std::FILE* progress)
{
    // A page cache of 32 MB holds the indexes that a large import inserts into at random, so
    // they are not written out and read back in mid-transaction; memory stops growing there.
    run(db, "PRAGMA cache_size=-32768");
    Transaction transaction(db);
    Importer importer(db, options);
    LineSource lines(in, options.encoding);
    RecordReader records(lines, options.format);
    Progress shown(progress, options.dryRun ? "checking" : "importing");
    auto problem = [&](const QString& what) {
        ++importer.counts.problems;
        report(QStringLiteral("%1:%2: %3").arg(name, QString::number(records.line()), what));
    };

    std::vector<QByteArray> fields;
    TitleFields title;
    bool first = true;
    for (;;) {
        const RecordReader::Status status = records.next(fields);
        if (status == RecordReader::Status::End)
            break;
        if (status == RecordReader::Status::Error) {
            problem(records.error());
            break;
        }
        shown.show(lines.position(), lines.size(), "bytes");
        if (std::exchange(first, false) && !records.anki().present && isHeader(fields))
            continue;
        QString wrong = importer.toTitle(fields, records.anki(), title);
        if (wrong.isEmpty())
            wrong = importer.write(title, records.line());
        if (!wrong.isEmpty())
            problem(wrong);
    }
    if (importer.counts.problems == 0 && !options.dryRun)
        transaction.commit();
    return importer.counts;
}
