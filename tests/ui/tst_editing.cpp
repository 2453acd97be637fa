#include "PhraseBook.h"
#include "StoreTexts.h"
#include "TestWindow.h"
#include "UiTexts.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void addTitles(const TestFolder& folder)
{
    folder.exec(u"INSERT INTO カテゴリ VALUES ('旅行'), ('仕事');"
                "INSERT INTO タイトル VALUES"
                " ('Good morning', 'おはよう', 'Good morning.', 'おはようございます。', '旅行'),"
                " ('Airport', '空港', 'To the airport.', '空港まで。', '旅行'),"
                " ('Deadline', '締め切り', 'When is it due?', 'いつまでですか？', '仕事')"_s);
}

QStringList titles(const TestFolder& folder)
{
    return folder.rows(u"SELECT タイトル名_英語, タイトル名_日本語, 英文, 和訳, カテゴリ名 "
                       "FROM タイトル ORDER BY rowid"_s);
}

QStringList categories(const TestFolder& folder)
{
    return folder.rows(u"SELECT カテゴリ名 FROM カテゴリ ORDER BY rowid"_s);
}

// Fills the title boxes as a user would before pressing a title button.
void typeTitle(TestWindow& w, const QString& category, const QString& title, const QString& english,
               const QString& translation)
{
    w.setText("Combo1", category);
    w.setText("Text4", title);
    w.setText("Text3", english);
    w.setText("Text6", translation);
}

} // namespace

class TestEditing : public QObject {
    Q_OBJECT

private slots:
    void addCategory()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.listCategory(u"旅行"_s);
        w.setText("Combo1", u"買い物"_s);
        w.setText("Combo2", u"登録"_s);
        w.dialogs.answers = {true};
        w.click("Command3");
        QCOMPARE(w.dialogs.shown, QStringList{u"ask:確認!:買い物 を登録しますか？"_s});
        QCOMPARE(categories(folder), (QStringList{u"旅行"_s, u"仕事"_s, u"買い物"_s}));
        QCOMPARE(w.items("Combo1"), categories(folder));
        QCOMPARE(w.text("Combo1"), u"旅行"_s); // the first one listed
        QCOMPARE(w.text("Combo2"), u"選択"_s);
        QCOMPARE(w.items("List1"), QStringList());
        QCOMPARE(w.text("Text5"), QString());
    }

    // A refused category keeps its message and the window as it was.
    void addCategoryRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("duplicate") << u"旅行"_s;
        QTest::newRow("duplicate in other case") << u"TRAVEL"_s;
        QTest::newRow("empty name") << QString();
    }
    void addCategoryRefused()
    {
        QFETCH(QString, name);
        TestFolder folder;
        folder.exec(u"INSERT INTO カテゴリ VALUES ('旅行'), ('travel')"_s);
        TestWindow w(folder);
        w.setText("Combo1", name);
        w.setText("Combo2", u"登録"_s);
        w.setText("Text3", u"typed"_s);
        w.dialogs.answers = {true};
        w.click("Command3");
        QCOMPARE(w.dialogs.shown, QStringList{u"ask:確認!:"_s + name + u" を登録しますか？"_s});
        QCOMPARE(categories(folder), (QStringList{u"旅行"_s, u"travel"_s}));
        QCOMPARE(w.text("Text5"), StoreTexts::addCategoryFailed);
        QCOMPARE(w.text("Text3"), u"typed"_s);
        QCOMPARE(w.text("Combo2"), u"登録"_s);
    }

    void deleteCategoryWithItsTitles()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.form.ApplyTitleMode(TitleMode::JE);
        w.setText("Combo1", u"旅行"_s);
        w.setText("Combo2", u"削除"_s);
        w.dialogs.answers = {true};
        w.click("Command3");
        QCOMPARE(w.dialogs.shown,
                 QStringList{u"ask:確認!:旅行 を削除しますか？\nこのカテゴリのタイトルは全て"
                             "削除されます。"_s});
        QCOMPARE(categories(folder), QStringList{u"仕事"_s});
        QCOMPARE(titles(folder).size(), 1);
        QCOMPARE(w.items("Combo1"), QStringList{u"仕事"_s});
        QCOMPARE(w.text("Combo2"), u"選択"_s);
        QCOMPARE(w.text("Text5"), QString());
    }

    // Titles that can't all be deleted keep their category, so none is left unlisted.
    void deleteCategoryStopsWhenItsTitlesCantGo()
    {
        TestFolder folder;
        addTitles(folder);
        folder.exec(u"CREATE TRIGGER keep BEFORE DELETE ON タイトル WHEN old.タイトル名_英語 = "
                    "'Good morning' BEGIN SELECT RAISE(ABORT, 'kept'); END"_s);
        TestWindow w(folder);
        w.setText("Combo1", u"旅行"_s);
        w.setText("Combo2", u"削除"_s);
        w.dialogs.answers = {true};
        w.click("Command3");
        QCOMPARE(w.text("Text5"), StoreTexts::deleteCategoryTitlesFailed);
        QCOMPARE(categories(folder), (QStringList{u"旅行"_s, u"仕事"_s}));
        QVERIFY(titles(folder).join(u',').contains(u"Good morning"_s));
        QCOMPARE(openFileCount(), 0);
    }

    void deleteCategoryWithoutTitlesOrRow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("no titles") << u"空"_s << QString() << QStringList{u"旅行"_s};
        QTest::newRow("no such category")
            << u"無い"_s << StoreTexts::notFound << QStringList{u"旅行"_s, u"空"_s};
        QTest::newRow("key ignores case")
            << u"ＡＢＣ"_s << StoreTexts::notFound << QStringList{u"旅行"_s, u"空"_s};
    }
    void deleteCategoryWithoutTitlesOrRow()
    {
        QFETCH(QString, name);
        QFETCH(QString, status);
        QFETCH(QStringList, left);
        TestFolder folder;
        folder.exec(u"INSERT INTO カテゴリ VALUES ('旅行'), ('空')"_s);
        TestWindow w(folder);
        w.setText("Combo1", name);
        w.setText("Combo2", u"削除"_s);
        w.dialogs.answers = {true};
        w.click("Command3");
        QCOMPARE(categories(folder), left);
        QCOMPARE(w.text("Text5"), status);
    }

    void deleteCategoryTitlesTouchesOnlyItsCategory()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.setText("Combo1", u"旅行"_s);
        w.setText("Text5", u"as it was"_s);
        PhraseBook book(folder.path(), w.storeControls());
        QCOMPARE(book.DeleteCategoryTitles(TitleMode::EJ), EditOutcome::Done);
        QCOMPARE(titles(folder),
                 QStringList{u"Deadline|締め切り|When is it due?|いつまでですか？|仕事"_s});
        QCOMPARE(w.text("Text5"), u"as it was"_s);
        QCOMPARE(book.DeleteCategoryTitles(TitleMode::JE), EditOutcome::NotFound);
        QCOMPARE(w.text("Text5"), StoreTexts::notFound);
    }

    void registerTitle_data()
    {
        QTest::addColumn<TitleMode>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("english"); // typed sentence
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("E-J: apostrophes of the English title")
            << TitleMode::EJ << u"Don't stop"_s << u"止まらない'で"_s << u"Don't stop."_s
            << u"Don’t stop|止まらない'で|Don't stop.|止まらないで。|旅行"_s
            << u"タイトル名・日本語を入力してください。"_s;
        QTest::newRow("J-E: apostrophes of the answered English title")
            << TitleMode::JE << u"私の'本"_s << u"It's mine"_s << u"It's my book."_s
            << u"It’s mine|私の'本|It's my book.|止まらないで。|旅行"_s
            << u"タイトル名・英語を半角入力してください。"_s;
        QTest::newRow("empty sentence stored as one blank")
            << TitleMode::EJ << u"Quiet"_s << u"静か"_s << QString()
            << u"Quiet|静か| |止まらないで。|旅行"_s << u"タイトル名・日本語を入力してください。"_s;
    }
    void registerTitle()
    {
        QFETCH(TitleMode, mode);
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        QFETCH(QString, english);
        QFETCH(QString, stored);
        QFETCH(QString, prompt);
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.form.ApplyTitleMode(mode);
        typeTitle(w, u"旅行"_s, typed, english, u"止まらないで。"_s);
        w.dialogs.answers = {true};
        w.dialogs.inputs = {answer};
        w.click("Command4");
        QCOMPARE(w.dialogs.shown, (QStringList{u"ask:確認！:"_s + typed + u" を登録しますか？"_s,
                                               u"input:"_s + prompt}));
        QCOMPARE(titles(folder).last(), stored);
        for (const char* box : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"})
            QVERIFY2(w.text(box).isEmpty(), box);
        const QString listed =
            stored.section(u'|', mode == TitleMode::EJ ? 0 : 1, mode == TitleMode::EJ ? 0 : 1);
        QVERIFY(w.items("List1").contains(listed));
        QCOMPARE(w.items("List1").size(), 3);
    }

    // A refused registration says why and keeps everything the user typed.
    void registerRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("answer");
        QTest::newRow("cancelled input box") << u"New one"_s << QString();
        QTest::newRow("English title taken") << u"good MORNING"_s << u"新しい"_s;
        QTest::newRow("Japanese title taken") << u"New one"_s << u"空港"_s;
    }
    void registerRefused()
    {
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        TestFolder folder;
        addTitles(folder);
        const QStringList before = titles(folder);
        TestWindow w(folder);
        typeTitle(w, u"旅行"_s, typed, u"A sentence."_s, u"訳。"_s);
        w.dialogs.answers = {true};
        w.dialogs.inputs = {answer};
        w.click("Command4");
        QCOMPARE(titles(folder), before);
        QCOMPARE(w.text("Text5"), StoreTexts::addTitleFailed);
        QCOMPARE(w.text("Text4"), typed);
        QCOMPARE(w.text("Text3"), u"A sentence."_s);
        QCOMPARE(w.text("Text6"), u"訳。"_s);
        QCOMPARE(openFileCount(), 0);
    }

    void registerChecksComeFirst_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no category, no title")
            << QString() << QString() << u"tell:カテゴリが指定されていません。"_s;
        QTest::newRow("no title") << u"旅行"_s << QString()
                                  << u"tell:タイトルに文字列を入力してください。"_s;
    }
    void registerChecksComeFirst()
    {
        QFETCH(QString, category);
        QFETCH(QString, title);
        QFETCH(QString, shown);
        TestFolder folder;
        TestWindow w(folder);
        typeTitle(w, category, title, u"x"_s, u"y"_s);
        w.setText("Text5", u"old"_s);
        w.click("Command4");
        QCOMPARE(w.dialogs.shown, QStringList{shown});
        QCOMPARE(w.text("Text5"), QString());
        QCOMPARE(titles(folder), QStringList());
    }

    void updateMovesAndRewrites()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        typeTitle(w, u"仕事"_s, u"airport"_s, QString(), u"空港へ。"_s);
        w.dialogs.answers = {true};
        w.click("Command5");
        QCOMPARE(w.dialogs.shown, QStringList{u"ask:確認！:airport を更新しますか？"_s});
        QCOMPARE(titles(folder)[1], u"Airport|空港| |空港へ。|仕事"_s);
        QCOMPARE(w.text("Text3"), u" "_s);
        QCOMPARE(w.text("Text4"), u"airport"_s);
        QCOMPARE(w.items("List1"), (QStringList{u"Airport"_s, u"Deadline"_s}));
        QCOMPARE(w.text("Text5"), StoreTexts::updated);
    }

    // A title shown and saved again is stored unchanged, whatever spaces and separators its
    // texts hold.
    void updateKeepsTheTextsAsShown()
    {
        TestFolder folder;
        folder.exec(u"INSERT INTO カテゴリ VALUES ('c');"
                    "INSERT INTO タイトル VALUES ('Odd', '変', 'a' || char(160) || 'b' || "
                    "char(8232) || 'c', '一' || char(10) || char(12288) || '二', 'c')"_s);
        const QStringList before = titles(folder);
        TestWindow w(folder);
        w.setChecked("Check3", false);
        w.listCategory(u"c"_s);
        w.clickTitle(u"Odd"_s);
        w.dialogs.answers = {true};
        w.click("Command5");
        QCOMPARE(w.text("Text5"), StoreTexts::updated);
        QCOMPARE(titles(folder), before);
    }

    void deleteTitle()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.form.ApplyTitleMode(TitleMode::JE);
        typeTitle(w, u"仕事"_s, u"締め切り"_s, u"x"_s, u"y"_s);
        w.dialogs.answers = {true};
        w.click("Command6");
        QCOMPARE(w.dialogs.shown, QStringList{u"ask:確認！:締め切り を削除しますか？"_s});
        QCOMPARE(titles(folder).size(), 2);
        QCOMPARE(w.text("Text4"), QString());
        // It was the category's last title.
        QCOMPARE(w.text("Text5"), u"カテゴリ＝仕事には、まだ、タイトル・データがありません。"_s);
    }

    // An update or delete of a title that isn't there changes nothing and says so.
    void editOfMissingTitle_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::newRow("update") << "Command5"_ba;
        QTest::newRow("delete") << "Command6"_ba;
    }
    void editOfMissingTitle()
    {
        QFETCH(QByteArray, button);
        TestFolder folder;
        addTitles(folder);
        const QStringList before = titles(folder);
        TestWindow w(folder);
        typeTitle(w, u"旅行"_s, u"Nothing like it"_s, u"x"_s, u"y"_s);
        w.dialogs.answers = {true};
        w.click(button.constData());
        QCOMPARE(titles(folder), before);
        QCOMPARE(w.text("Text5"), StoreTexts::notFound);
        QCOMPARE(w.text("Text4"), u"Nothing like it"_s);
    }

    // Answering No changes nothing but the status line.
    void noChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("action");
        QTest::newRow("register title") << "Command4"_ba << QString();
        QTest::newRow("update title") << "Command5"_ba << QString();
        QTest::newRow("delete title") << "Command6"_ba << QString();
        QTest::newRow("add category") << "Command3"_ba << u"登録"_s;
        QTest::newRow("delete category") << "Command3"_ba << u"削除"_s;
    }
    void noChangesNothing()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, action);
        TestFolder folder;
        addTitles(folder);
        const QStringList before = titles(folder) + categories(folder);
        TestWindow w(folder);
        typeTitle(w, u"旅行"_s, u"Airport"_s, u"x"_s, u"y"_s);
        if (!action.isEmpty())
            w.setText("Combo2", action);
        w.setText("Text5", u"old"_s);
        w.dialogs.answers = {false};
        w.click(button.constData());
        QCOMPARE(w.dialogs.shown.size(), 1);
        QCOMPARE(titles(folder) + categories(folder), before);
        QCOMPARE(w.text("Text5"), QString());
        QCOMPARE(w.text("Text4"), u"Airport"_s);
        QCOMPARE(w.text("Text3"), u"x"_s);
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
