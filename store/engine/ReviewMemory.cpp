#include "ReviewMemory.h"

#include "Database.h"
#include "PhraseBookFile.h"
#include "ReviewTime.h"
#include "Statement.h"
#include "Transaction.h"

#include <sqlite3.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The tables, and the category index that came with the reviews' categories.
bool hasReviewTables(Database& db)
{
    Statement tables(db.handle(), u"SELECT count(*) FROM sqlite_master WHERE name IN ('復習記録', "
                                  u"'記憶', '復習記録_カテゴリ')"_s);
    return tables.next() && tables.integer(0) == 3;
}

// Gives the reviews written without a category, by a book of before or by another tool, their
// title's; the program's own reviews get it as they are written and keep it as titles move.
void fileReviews(Database& db)
{
    executeScript(db.handle(),
                  "UPDATE 復習記録 SET カテゴリ名 = (SELECT t.カテゴリ名 FROM タイトル t WHERE "
                  "t.タイトル名_英語 = 復習記録.タイトル名_英語) WHERE カテゴリ名 IS NULL");
}

// A log row as the scheduler takes it; nothing for a row that can't be read.
std::optional<LoggedReview> reviewOf(long long rating, const QString& time)
{
    const std::optional<std::int64_t> at = parseReviewTime(time);
    if (!at || rating < 1 || rating > 4)
        return std::nullopt;
    return LoggedReview{static_cast<Fsrs::Rating>(rating), *at};
}

// Replays one review onto a card. The log is read in the order of time, so a review is never
// earlier than the one before it.
void replay(Fsrs::Card& card, const LoggedReview& review)
{
    card = Fsrs::review(card, review.rating, std::max(review.at, card.lastReview));
}

// The key of the title named `title` in the mode's title column.
std::optional<QString> englishTitleOf(Database& db, TitleMode mode, const QString& title)
{
    Statement find(db.handle(),
                   u"SELECT タイトル名_英語 FROM タイトル WHERE %1 = ?1"_s.arg(titleColumn(mode)));
    find.bind(1, title);
    if (!find.next())
        return std::nullopt;
    return find.text(0);
}

const QString kSaveMemory = u"INSERT OR REPLACE INTO 記憶 (タイトル名_英語, 安定度, 難易度, 次回, "
                            u"前回, 回数, 忘却) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)"_s;

void saveMemory(Statement& save, const QString& english, const Fsrs::Card& card)
{
    save.bind(1, english);
    save.bind(2, card.stability);
    save.bind(3, card.difficulty);
    save.bind(4, formatReviewTime(card.due));
    save.bind(5, formatReviewTime(card.lastReview));
    save.bind(6, static_cast<long long>(card.reps));
    save.bind(7, static_cast<long long>(card.lapses));
    save.execute();
}

// Keys compare as SQLite's NOCASE does: ASCII letters without regard to case, all else exactly.
bool sameKey(QStringView a, QStringView b)
{
    const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](QChar x, QChar y) {
               return fold(x.unicode()) == fold(y.unicode());
           });
}

qsizetype countOf(Database& db, const QString& statement, const QString& time = {})
{
    Statement count(db.handle(), statement);
    if (!time.isNull())
        count.bind(1, time);
    return count.next() ? static_cast<qsizetype>(count.integer(0)) : 0;
}

} // namespace

void ensureReviewTables(Database& db)
{
    if (hasReviewTables(db))
        return;
    // Within a transaction already begun, the tables come with what it does, or not at all.
    std::optional<Transaction> own;
    if (sqlite3_get_autocommit(db.handle()))
        own.emplace(db.handle());
    // A log kept before reviews carried their categories gets them here.
    if (countOf(db, u"SELECT count(*) FROM pragma_table_info('復習記録') WHERE name IN "
                    u"('タイトル名_英語', 'カテゴリ名')"_s) == 1)
        executeScript(db.handle(),
                      "ALTER TABLE 復習記録 ADD COLUMN カテゴリ名 TEXT COLLATE NOCASE");
    executeScript(db.handle(), phraseBookScript("memory.sql").constData());
    fileReviews(db);
    if (own)
        own->commit();
}

std::optional<Fsrs::Card> recordReview(Database& db, TitleMode mode, const QString& title,
                                       Fsrs::Rating rating, std::int64_t at)
{
    Transaction transaction(db.handle());
    ensureReviewTables(db);
    const std::optional<QString> found = englishTitleOf(db, mode, title);
    if (!found)
        return std::nullopt;
    const QString& english = *found;

    Fsrs::Card card;
    Statement log(db.handle(), u"SELECT 評価, 日時 FROM 復習記録 WHERE タイトル名_英語 = ?1 "
                               u"ORDER BY 日時, rowid"_s);
    log.bind(1, english);
    while (log.next())
        if (const auto review = reviewOf(log.integer(0), log.text(1)))
            replay(card, *review);

    const LoggedReview review{rating, std::max(at, card.lastReview)};
    replay(card, review);
    Statement add(db.handle(),
                  u"INSERT INTO 復習記録 (タイトル名_英語, 評価, 日時, カテゴリ名) "
                  u"SELECT ?1, ?2, ?3, カテゴリ名 FROM タイトル WHERE タイトル名_英語 = ?1"_s);
    add.bind(1, english);
    add.bind(2, static_cast<long long>(rating));
    add.bind(3, formatReviewTime(review.at));
    add.execute();
    Statement save(db.handle(), kSaveMemory);
    saveMemory(save, english, card);
    transaction.commit();
    return card;
}

DueTitles dueTitles(Database& db, TitleMode mode, const QString& category, std::int64_t now,
                    int newLimit, qsizetype listLimit)
{
    ensureReviewTables(db);
    const QString column = titleColumn(mode);
    const QString inCategory = category.isEmpty() ? QString() : u"t.カテゴリ名 = ?9 AND "_s;
    const QString nowText = formatReviewTime(now);
    DueTitles found;

    // Walking the due ones and looking up their titles is faster than walking the category
    // and looking up their memories only when fewer are due than the category holds.
    QString join = u"JOIN"_s;
    if (!category.isEmpty()) {
        Statement titles(db.handle(), u"SELECT count(*) FROM タイトル WHERE カテゴリ名 = ?1"_s);
        titles.bind(1, category);
        const qsizetype categorySize = titles.next() ? titles.integer(0) : 0;
        if (countOf(db, u"SELECT count(*) FROM 記憶 WHERE 次回 <= ?1"_s, nowText) < categorySize)
            join = u"CROSS JOIN"_s;
    }
    Statement due(db.handle(),
                  u"SELECT t.%1 FROM 記憶 m %3 タイトル t ON t.タイトル名_英語 = m.タイトル名_英語 "
                  u"WHERE %2m.次回 <= ?1 ORDER BY m.次回, m.タイトル名_英語 LIMIT ?2"_s.arg(
                      column, inCategory, join));
    due.bind(1, nowText);
    due.bind(2, static_cast<long long>(listLimit));
    if (!category.isEmpty())
        due.bind(9, category);
    const auto take = [&found](Statement& rows) {
        while (rows.next()) {
            rows.appendText(0, found.text);
            found.ends.push_back(found.text.size());
        }
    };
    take(due);
    found.listedDue = found.due = static_cast<qsizetype>(found.ends.size());
    if (found.listedDue == listLimit) {
        Statement count(db.handle(),
                        u"SELECT count(*) FROM 記憶 m JOIN タイトル t ON t.タイトル名_英語 = "
                        u"m.タイトル名_英語 WHERE %1m.次回 <= ?1"_s.arg(inCategory));
        count.bind(1, nowText);
        if (!category.isEmpty())
            count.bind(9, category);
        if (count.next())
            found.due = static_cast<qsizetype>(count.integer(0));
    }

    const auto room = std::min<qsizetype>(newLimit, listLimit - found.listedDue);
    Statement fresh(
        db.handle(),
        u"SELECT t.%1 FROM タイトル t WHERE %2NOT EXISTS (SELECT 1 FROM 記憶 m WHERE "
        u"m.タイトル名_英語 = t.タイトル名_英語) ORDER BY t.%1 LIMIT ?2"_s.arg(column, inCategory));
    if (!category.isEmpty())
        fresh.bind(9, category);
    fresh.bind(2, static_cast<long long>(room));
    take(fresh);
    found.fresh = static_cast<qsizetype>(found.ends.size()) - found.listedDue;
    return found;
}

std::vector<QStringView> DueTitles::titles() const
{
    std::vector<QStringView> views;
    views.reserve(ends.size());
    qsizetype begin = 0;
    for (const qsizetype end : ends) {
        views.push_back(QStringView(text).sliced(begin, end - begin));
        begin = end;
    }
    return views;
}

LogWalk walkReviewLog(
    Database& db,
    const std::function<void(const QString& english, bool first, const LoggedReview&)>& visit)
{
    ensureReviewTables(db);
    Statement log(db.handle(), u"SELECT タイトル名_英語, 評価, 日時 FROM 復習記録 "
                               u"ORDER BY タイトル名_英語, 日時, rowid"_s);
    Statement inBook(db.handle(), u"SELECT 1 FROM タイトル WHERE タイトル名_英語 = ?1"_s);
    LogWalk walk;
    QString title;
    bool titleInBook = false;
    bool first = true;
    while (log.next()) {
        QString english = log.text(0);
        // The log's order groups a title's rows whatever their case, as the key compares.
        if (!sameKey(english, title) || title.isNull()) {
            title = std::move(english);
            inBook.bind(1, title);
            titleInBook = inBook.next();
            inBook.reset();
            first = true;
        }
        if (!titleInBook)
            continue;
        ++walk.reviews;
        const auto review = reviewOf(log.integer(1), log.text(2));
        if (!review) {
            ++walk.passedOver;
            continue;
        }
        if (first)
            ++walk.titles;
        visit(title, first, *review);
        first = false;
    }
    return walk;
}

LogWalk rebuildMemory(Database& db)
{
    Transaction transaction(db.handle());
    ensureReviewTables(db);
    fileReviews(db);
    Statement(db.handle(), u"DELETE FROM 記憶"_s).execute();
    Statement save(db.handle(), kSaveMemory);
    QString title;
    Fsrs::Card card;
    const LogWalk walk =
        walkReviewLog(db, [&](const QString& english, bool first, const LoggedReview& review) {
            if (first && !card.isNew())
                saveMemory(save, title, card);
            if (first) {
                title = english;
                card = {};
            }
            replay(card, review);
        });
    if (!card.isNew())
        saveMemory(save, title, card);
    transaction.commit();
    return walk;
}

MemorySummary summarizeMemory(Database& db, std::int64_t now)
{
    ensureReviewTables(db);
    MemorySummary summary;
    summary.reviewed = countOf(db, u"SELECT count(*) FROM 記憶"_s);
    summary.due =
        countOf(db, u"SELECT count(*) FROM 記憶 WHERE 次回 <= ?1"_s, formatReviewTime(now));
    summary.reviews = countOf(db, u"SELECT count(*) FROM 復習記録"_s);
    return summary;
}
