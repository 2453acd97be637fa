#include "BookGenerator.h"

#include "PhraseBookFile.h"

#include <QSet>

#include <sqlite3.h>

#include <iterator>
#include <memory>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

struct Pair {
    QString en, ja;
};

// Sentences are put together from these, so the Japanese title translates the English one.
const Pair kVerbs[] = {
    {u"Could you check"_s, u"確認してもらえますか"_s},
    {u"Please check"_s, u"確認してください"_s},
    {u"I need to check"_s, u"確認する必要があります"_s},
    {u"Can you bring"_s, u"持ってきてくれますか"_s},
    {u"Please bring"_s, u"持ってきてください"_s},
    {u"I forgot to bring"_s, u"持ってくるのを忘れました"_s},
    {u"Can I buy"_s, u"買えますか"_s},
    {u"I’d like to buy"_s, u"買いたいです"_s},
    {u"We bought"_s, u"買いました"_s},
    {u"Could you show me"_s, u"見せてもらえますか"_s},
    {u"Please show me"_s, u"見せてください"_s},
    {u"I’m looking for"_s, u"探しています"_s},
    {u"Did you find"_s, u"見つけましたか"_s},
    {u"I lost"_s, u"なくしました"_s},
    {u"Let’s share"_s, u"分け合いましょう"_s},
    {u"Don’t forget"_s, u"忘れないでください"_s},
    {u"Can I borrow"_s, u"借りてもいいですか"_s},
    {u"I’ll return"_s, u"返します"_s},
    {u"Please keep"_s, u"預かってください"_s},
    {u"Could you carry"_s, u"運んでもらえますか"_s},
    {u"I’ll pick up"_s, u"受け取ります"_s},
    {u"Please send"_s, u"送ってください"_s},
    {u"I want to change"_s, u"変更したいです"_s},
    {u"Could you wrap"_s, u"包んでもらえますか"_s},
    {u"Let me pay for"_s, u"支払わせてください"_s},
    {u"Please clean"_s, u"掃除してください"_s},
    {u"We should order"_s, u"注文したほうがいいです"_s},
    {u"Can you fix"_s, u"直せますか"_s},
    {u"I’d like to book"_s, u"予約したいです"_s},
    {u"Please cancel"_s, u"キャンセルしてください"_s},
    {u"Could you explain"_s, u"説明してもらえますか"_s},
    {u"I can’t open"_s, u"開けられません"_s},
    {u"Please close"_s, u"閉めてください"_s},
    {u"Shall I prepare"_s, u"準備しましょうか"_s},
    {u"You can leave"_s, u"置いていっていいですよ"_s},
    {u"I’ve already paid for"_s, u"もう支払いました"_s},
    {u"Please don’t touch"_s, u"触らないでください"_s},
    {u"Would you like to see"_s, u"ご覧になりますか"_s},
    {u"I haven’t received"_s, u"まだ受け取っていません"_s},
    {u"Let’s look for"_s, u"探しましょう"_s},
};

const Pair kObjects[] = {
    {u"the tickets"_s, u"切符"_s},
    {u"my passport"_s, u"パスポート"_s},
    {u"the receipt"_s, u"領収書"_s},
    {u"the menu"_s, u"メニュー"_s},
    {u"your umbrella"_s, u"あなたの傘"_s},
    {u"the room key"_s, u"部屋の鍵"_s},
    {u"the timetable"_s, u"時刻表"_s},
    {u"the map"_s, u"地図"_s},
    {u"a table for two"_s, u"二人用のテーブル"_s},
    {u"the luggage"_s, u"荷物"_s},
    {u"the documents"_s, u"書類"_s},
    {u"the bill"_s, u"お勘定"_s},
    {u"the package"_s, u"小包"_s},
    {u"my glasses"_s, u"私の眼鏡"_s},
    {u"the window"_s, u"窓"_s},
    {u"the medicine"_s, u"薬"_s},
    {u"the present"_s, u"プレゼント"_s},
    {u"a taxi"_s, u"タクシー"_s},
    {u"the coffee"_s, u"コーヒー"_s},
    {u"the report"_s, u"報告書"_s},
    {u"the contract"_s, u"契約書"_s},
    {u"the camera"_s, u"カメラ"_s},
    {u"the shoes"_s, u"靴"_s},
    {u"the jacket"_s, u"ジャケット"_s},
    {u"the laptop"_s, u"ノートパソコン"_s},
    {u"the charger"_s, u"充電器"_s},
    {u"the guidebook"_s, u"ガイドブック"_s},
    {u"the flowers"_s, u"花"_s},
    {u"the cake"_s, u"ケーキ"_s},
    {u"the wine"_s, u"ワイン"_s},
    {u"the bicycle"_s, u"自転車"_s},
    {u"the car keys"_s, u"車の鍵"_s},
    {u"the schedule"_s, u"予定表"_s},
    {u"the photos"_s, u"写真"_s},
    {u"the letter"_s, u"手紙"_s},
    {u"the invoice"_s, u"請求書"_s},
    {u"the coupon"_s, u"クーポン"_s},
    {u"the wallet"_s, u"財布"_s},
    {u"the textbook"_s, u"教科書"_s},
    {u"the seat"_s, u"座席"_s},
};

const Pair kPlaces[] = {
    {u"at the station"_s, u"駅で"_s},
    {u"at the hotel"_s, u"ホテルで"_s},
    {u"at the airport"_s, u"空港で"_s},
    {u"in the office"_s, u"会社で"_s},
    {u"at the front desk"_s, u"フロントで"_s},
    {u"near the bank"_s, u"銀行の近くで"_s},
    {u"at the restaurant"_s, u"レストランで"_s},
    {u"in the lobby"_s, u"ロビーで"_s},
    {u"at home"_s, u"家で"_s},
    {u"at the hospital"_s, u"病院で"_s},
    {u"at the post office"_s, u"郵便局で"_s},
    {u"in the meeting room"_s, u"会議室で"_s},
    {u"at the counter"_s, u"カウンターで"_s},
    {u"at the department store"_s, u"デパートで"_s},
    {u"at school"_s, u"学校で"_s},
    {u"on the train"_s, u"電車の中で"_s},
};

const Pair kTimes[] = {
    {u"this morning"_s, u"今朝"_s},
    {u"tonight"_s, u"今夜"_s},
    {u"tomorrow"_s, u"明日"_s},
    {u"this afternoon"_s, u"今日の午後"_s},
    {u"before dinner"_s, u"夕食の前に"_s},
    {u"after the meeting"_s, u"会議の後で"_s},
    {u"next week"_s, u"来週"_s},
    {u"right now"_s, u"今すぐ"_s},
    {u"on Sunday"_s, u"日曜日に"_s},
    {u"by noon"_s, u"正午までに"_s},
    {u"later today"_s, u"今日のうちに"_s},
    {u"every morning"_s, u"毎朝"_s},
};

const Pair kFollowUps[] = {
    {u"Thank you."_s, u"ありがとう。"_s},
    {u"It’s urgent."_s, u"急ぎです。"_s},
    {u"I’ll wait here."_s, u"ここで待っています。"_s},
    {u"Sorry to trouble you."_s, u"お手数をおかけします。"_s},
    {u"That would help a lot."_s, u"とても助かります。"_s},
    {u"We’re in a bit of a hurry."_s, u"少し急いでいます。"_s},
};

const QString kThemes[] = {
    u"日常会話"_s, u"ビジネス"_s, u"あいさつ"_s, u"買い物"_s, u"レストラン"_s,
    u"旅行"_s,     u"空港"_s,     u"ホテル"_s,   u"病院"_s,   u"銀行"_s,
    u"学校"_s,     u"電話"_s,     u"天気"_s,     u"趣味"_s,   u"家族"_s,
    u"道案内"_s,   u"駅"_s,       u"郵便局"_s,   u"会議"_s,   u"スポーツ"_s,
};

// SplitMix64: the same numbers on every platform and standard library.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed)
    {
    }
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    template <typename T, std::size_t N> const T& pick(const T (&items)[N])
    {
        return items[below(N)];
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }

private:
    std::uint64_t m_state;
};

QString sqliteError(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// The benchmarks time lookups of a category's size and of titles they generate again from the
// seed, so a book that differs from its shape or its titles would time something else.
QString checkBook(sqlite3* db, const BookShape& shape, const std::vector<GeneratedTitle>& titles)
{
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare16_v2(db,
                         u"SELECT タイトル名_英語, カテゴリ名, (SELECT COUNT(DISTINCT "
                         u"lower(タイトル名_英語)) || '|' || COUNT(DISTINCT タイトル名_日本語) "
                         u"FROM タイトル) FROM タイトル ORDER BY rowid",
                         -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, sqlite3_finalize);
    if (!stmt)
        return sqliteError(db);
    auto text = [raw](int column) {
        return QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_text16(raw, column)));
    };
    std::vector<int> sizes(static_cast<std::size_t>(shape.categories), 0);
    std::size_t row = 0;
    for (; sqlite3_step(raw) == SQLITE_ROW; ++row) {
        const GeneratedTitle* title = row < titles.size() ? &titles[row] : nullptr;
        if (!title || text(0) != title->english || text(1) != categoryName(title->category))
            return u"title %1 is not the one its seed gives"_s.arg(row);
        if (title->english.contains(u'\''))
            return u"title %1 has an apostrophe the program would not store"_s.arg(row);
        if (row == 0 && text(2) != u"%1|%1"_s.arg(shape.titles))
            return u"titles are not unique in each language"_s;
        ++sizes[static_cast<std::size_t>(title->category)];
    }
    if (row != titles.size() || static_cast<int>(row) != shape.titles)
        return u"%1 titles instead of %2"_s.arg(row).arg(shape.titles);
    if (sizes != categorySizes(shape))
        return u"the categories do not hold the sizes of the shape"_s;
    return {};
}

} // namespace

BookShape smallBook()
{
    return {1000, 20, {}};
}

BookShape largeBook()
{
    return {100000, 1000, {32767, 1000}};
}

QString categoryName(int index)
{
    constexpr int themes = static_cast<int>(std::size(kThemes));
    const QString& theme = kThemes[index % themes];
    return index < themes ? theme : theme + u" "_s + QString::number(index / themes + 1);
}

std::vector<int> categorySizes(const BookShape& shape)
{
    std::vector<int> sizes(static_cast<std::size_t>(shape.categories), 0);
    int left = shape.titles;
    std::size_t i = 0;
    for (; i < shape.fixedSizes.size() && i < sizes.size(); ++i) {
        sizes[i] = shape.fixedSizes[i];
        left -= sizes[i];
    }
    const std::size_t rest = sizes.size() - i;
    for (std::size_t j = 0; j < rest; ++j)
        sizes[i + j] = static_cast<int>((static_cast<std::size_t>(left) + j) / rest);
    return sizes;
}

std::vector<GeneratedTitle> generateTitles(const BookShape& shape, std::uint64_t seed)
{
    Random random(seed);
    // Titles are inserted in random order, so no category lies together in the file.
    std::vector<int> categories;
    categories.reserve(static_cast<std::size_t>(shape.titles));
    const std::vector<int> sizes = categorySizes(shape);
    for (std::size_t c = 0; c < sizes.size(); ++c)
        categories.insert(categories.end(), static_cast<std::size_t>(sizes[c]),
                          static_cast<int>(c));
    for (std::size_t i = categories.size(); i > 1; --i)
        std::swap(categories[i - 1], categories[random.below(i)]);

    std::vector<GeneratedTitle> titles;
    titles.reserve(categories.size());
    QSet<QString> english, japanese;
    for (const int category : categories) {
        for (;;) {
            const Pair& verb = random.pick(kVerbs);
            const Pair& object = random.pick(kObjects);
            const Pair& place = random.pick(kPlaces);
            const Pair& time = random.pick(kTimes);
            const Pair& followUp = random.pick(kFollowUps);
            GeneratedTitle title;
            title.english = verb.en + u' ' + object.en + u' ' + place.en + u' ' + time.en;
            title.japanese = time.ja + u"、"_s + place.ja + object.ja + u"を"_s + verb.ja;
            const QString enKey = title.english.toCaseFolded();
            const QString jaKey = title.japanese.toCaseFolded();
            if (english.contains(enKey) || japanese.contains(jaKey))
                continue;
            english.insert(enKey);
            japanese.insert(jaKey);
            const bool question = verb.ja.endsWith(u'か');
            title.sentence = title.english + (question ? u"? "_s : u". "_s) + followUp.en;
            title.translation = title.japanese + (question ? u"？"_s : u"。"_s) + followUp.ja;
            title.category = category;
            titles.push_back(std::move(title));
            break;
        }
    }
    return titles;
}

QString generatePhraseBook(const QString& path, const BookShape& shape, std::uint64_t seed)
{
    if (QString error = createPhraseBook(path, PhraseBookContents::Options); !error.isEmpty())
        return error;

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, sqlite3_close);
    if (rc != SQLITE_OK)
        return sqliteError(raw);
    // A generated book is thrown away if anything goes wrong, so it is written unsynced, and
    // with a cache that holds its indexes while they grow.
    if (sqlite3_exec(raw, "PRAGMA synchronous=OFF; PRAGMA cache_size=-131072; BEGIN", nullptr,
                     nullptr, nullptr) != SQLITE_OK)
        return sqliteError(raw);

    using Stmt = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;
    auto prepare = [raw](const QString& sql) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare16_v2(raw, sql.utf16(), -1, &stmt, nullptr);
        return Stmt(stmt, sqlite3_finalize);
    };
    const Stmt addCategory = prepare(u"INSERT INTO カテゴリ (カテゴリ名) VALUES (?)"_s);
    const Stmt addTitle = prepare(u"INSERT INTO タイトル (タイトル名_英語, タイトル名_日本語, "
                                  u"英文, 和訳, カテゴリ名) VALUES (?, ?, ?, ?, ?)"_s);
    if (!addCategory || !addTitle)
        return sqliteError(raw);
    auto bind = [](sqlite3_stmt* stmt, int index, const QString& text) {
        sqlite3_bind_text16(stmt, index, text.utf16(), static_cast<int>(text.size() * 2),
                            SQLITE_TRANSIENT);
    };
    auto run = [raw](sqlite3_stmt* stmt) {
        const int stepped = sqlite3_step(stmt);
        sqlite3_reset(stmt);
        return stepped == SQLITE_DONE ? QString() : sqliteError(raw);
    };

    for (int c = 0; c < shape.categories; ++c) {
        bind(addCategory.get(), 1, categoryName(c));
        if (QString error = run(addCategory.get()); !error.isEmpty())
            return error;
    }
    for (const GeneratedTitle& title : generateTitles(shape, seed)) {
        bind(addTitle.get(), 1, title.english);
        bind(addTitle.get(), 2, title.japanese);
        bind(addTitle.get(), 3, title.sentence);
        bind(addTitle.get(), 4, title.translation);
        bind(addTitle.get(), 5, categoryName(title.category));
        if (QString error = run(addTitle.get()); !error.isEmpty())
            return error;
    }
    if (QString error = checkBook(raw, shape, generateTitles(shape, seed)); !error.isEmpty())
        return error;
    if (sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return sqliteError(raw);
    return {};
}
