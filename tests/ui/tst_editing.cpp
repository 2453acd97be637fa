#include "PhraseBook.h"
#include "StoreTexts.h"
#include "TestWindow.h"
#include "UiTexts.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kCancel = u"<cancel>"_s; // the input box's answer when it was cancelled

QStringList titles(const TestFolder& folder)
{
    return folder.rows(u"SELECT タイトル名_英語, タイトル名_日本語, 英文, 和訳, カテゴリ名 "
                       "FROM タイトル ORDER BY rowid"_s);
}

QStringList categories(const TestFolder& folder)
{
    return folder.rows(u"SELECT カテゴリ名 FROM カテゴリ ORDER BY rowid"_s);
}

} // namespace

class TestEditing : public QObject {
    Q_OBJECT

private slots:
    void addCategory()
    {
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.listCategory(u"旅行"_s);
        w.categoryAction(u"買い物"_s, u"登録"_s);
        QCOMPARE(w.dialogs.shown, QStringList{u"ask:確認!:買い物 を登録しますか？"_s});
        QCOMPARE(categories(folder),
                 (QStringList{u"旅行"_s, u"仕事"_s, u"Don't"_s, u"空"_s, u"買い物"_s}));
        QCOMPARE(w.items("Combo1"), categories(folder));
        QCOMPARE(w.text("Combo1"), u"旅行"_s); // the first one listed
        QCOMPARE(w.text("Combo2"), u"選択"_s);
        QCOMPARE(w.items("List1"), QStringList());
        QCOMPARE(w.text("Text5"), QString());
    }

    // A category goes with its titles, or on its own when it has none.
    void deleteCategory_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("titlesLeft");
        QTest::newRow("with its titles")
            << u"旅行"_s << QStringList{u"仕事"_s, u"Don't"_s, u"空"_s} << 2;
        QTest::newRow("without titles")
            << u"空"_s << QStringList{u"旅行"_s, u"仕事"_s, u"Don't"_s} << 6;
    }
    void deleteCategory()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, left);
        QFETCH(int, titlesLeft);
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.form.ApplyTitleMode(TitleMode::JE);
        w.categoryAction(name, u"削除"_s);
        QCOMPARE(w.dialogs.shown, QStringList{u"ask:確認!:"_s + name +
                                              u" を削除しますか？\nこのカテゴリのタイトルは全て"
                                              "削除されます。"_s});
        QCOMPARE(categories(folder), left);
        QCOMPARE(titles(folder).size(), titlesLeft);
        QCOMPARE(w.items("Combo1"), left);
        QCOMPARE(w.text("Combo2"), u"選択"_s);
        QCOMPARE(w.text("Text5"), QString());
    }

    // Titles that can't all be deleted keep their category, and none of them goes: the
    // last one refuses, after the others were deleted.
    void deleteCategoryStopsWhenItsTitlesCantGo()
    {
        TestFolder folder;
        folder.addTitles();
        folder.exec(u"CREATE TRIGGER keep BEFORE DELETE ON タイトル WHEN old.タイトル名_英語 = "
                    "'hot tea' BEGIN SELECT RAISE(ABORT, 'kept'); END"_s);
        const QStringList before = titles(folder);
        TestWindow w(folder);
        w.categoryAction(u"旅行"_s, u"削除"_s);
        QCOMPARE(w.text("Text5"), StoreTexts::deleteCategoryTitlesFailed);
        QCOMPARE(categories(folder), (QStringList{u"旅行"_s, u"仕事"_s, u"Don't"_s, u"空"_s}));
        QCOMPARE(titles(folder), before);
        QCOMPARE(openFileCount(), 0);
    }

    void deleteCategoryTitlesTouchesOnlyItsCategory()
    {
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.setText("Combo1", u"旅行"_s);
        w.setText("Text5", u"as it was"_s);
        PhraseBook book(folder.path(), w.storeControls());
        QCOMPARE(book.DeleteCategoryTitles(TitleMode::EJ), EditOutcome::Done);
        QCOMPARE(titles(folder),
                 (QStringList{u"Deadline|締め切り|When is it due?|いつまでですか？|仕事"_s,
                              u"It’s mine|わたしの|It's mine.|わたしのです。|Don't"_s}));
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
            << StoreTexts::askJapaneseTitle;
        QTest::newRow("J-E: apostrophes of the answered English title")
            << TitleMode::JE << u"私の'本"_s << u"It's mine too"_s << u"It's my book."_s
            << u"It’s mine too|私の'本|It's my book.|止まらないで。|旅行"_s
            << StoreTexts::askEnglishTitle;
        QTest::newRow("empty sentence stored as one blank")
            << TitleMode::EJ << u"Quiet"_s << u"静か"_s << QString()
            << u"Quiet|静か| |止まらないで。|旅行"_s << StoreTexts::askJapaneseTitle;
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
        folder.addTitles();
        TestWindow w(folder);
        w.form.ApplyTitleMode(mode);
        w.typeTitle(u"旅行"_s, typed, english, u"止まらないで。"_s);
        w.dialogs.answers = {true};
        w.dialogs.inputs = {answer};
        w.click("Command4");
        QCOMPARE(w.dialogs.shown, (QStringList{u"ask:確認！:"_s + typed + u" を登録しますか？"_s,
                                               u"input:"_s + prompt}));
        QCOMPARE(titles(folder).last(), stored);
        for (const char* box : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"})
            QVERIFY2(w.text(box).isEmpty(), box);
        const int column = mode == TitleMode::EJ ? 0 : 1;
        QVERIFY(w.items("List1").contains(stored.section(u'|', column, column)));
        QCOMPARE(w.items("List1").size(), 5);
    }

    void updateMovesAndRewrites()
    {
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.typeTitle(u"仕事"_s, u"airport"_s, QString(), u"空港へ。"_s);
        w.dialogs.answers = {true};
        w.click("Command5");
        QCOMPARE(w.dialogs.shown, QStringList{u"ask:確認！:airport を更新しますか？"_s});
        QCOMPARE(titles(folder)[2], u"Airport|空港| |空港へ。|仕事"_s);
        QCOMPARE(w.text("Text3"), u" "_s);
        QCOMPARE(w.text("Text4"), u"airport"_s);
        QCOMPARE(w.items("List1"), (QStringList{u"Airport"_s, u"Deadline"_s}));
        QCOMPARE(w.text("Text5"), StoreTexts::updated);

        // A category is named in any case of its letters.
        w.typeTitle(u"DON'T"_s, u"airport"_s, u"A."_s, u"空港へ。"_s);
        w.dialogs.answers = {true};
        w.click("Command5");
        QCOMPARE(titles(folder)[2], u"Airport|空港|A.|空港へ。|DON'T"_s);
        w.typeTitle(u"don't"_s, u"Taxi"_s, u"Taxi!"_s, u"タクシー！"_s);
        w.dialogs.answers = {true};
        w.dialogs.inputs = {u"タクシー"_s};
        w.click("Command4");
        QCOMPARE(titles(folder).last(), u"Taxi|タクシー|Taxi!|タクシー！|don't"_s);
        QCOMPARE(w.items("List1"), (QStringList{u"Airport"_s, u"It’s mine"_s, u"Taxi"_s}));
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
        folder.addTitles();
        TestWindow w(folder);
        w.form.ApplyTitleMode(TitleMode::JE);
        w.typeTitle(u"仕事"_s, u"締め切り"_s, u"x"_s, u"y"_s);
        w.dialogs.answers = {true};
        w.click("Command6");
        QCOMPARE(w.dialogs.shown, QStringList{u"ask:確認！:締め切り を削除しますか？"_s});
        QCOMPARE(titles(folder).size(), 5);
        QCOMPARE(w.text("Text4"), QString());
        // It was the category's last title.
        QCOMPARE(w.text("Text5"), StoreTexts::noTitlesIn(u"仕事"_s));
    }

    // An edit answered No, refused, or of something that isn't there changes nothing in the
    // file, says why in the status line or a box, and keeps everything the user typed.
    void editThatChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::addColumn<QString>("action"); // Combo2's, for Command3
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("answer"); // to the input box
        QTest::addColumn<int>("boxes");      // questions and notices shown
        QTest::addColumn<QString>("status"); // or the notice shown, as "tell:<text>"
        auto row = [](const char* name, const char* button, const QString& action,
                      const QString& category, const QString& title, bool yes,
                      const QString& answer, int boxes, const QString& status) {
            QTest::newRow(name) << QByteArray(button) << action << category << title << yes
                                << answer << boxes << status;
        };
        const QString add = u"登録"_s, del = u"削除"_s, travel = u"旅行"_s;
        const QString addTitleFailed = StoreTexts::addTitleFailed;
        row("No: register title", "Command4", {}, travel, u"Train"_s, false, {}, 1, {});
        row("No: update title", "Command5", {}, travel, u"Airport"_s, false, {}, 1, {});
        row("No: delete title", "Command6", {}, travel, u"Airport"_s, false, {}, 1, {});
        row("No: add category", "Command3", add, u"新"_s, {}, false, {}, 1, {});
        row("No: delete category", "Command3", del, travel, {}, false, {}, 1, {});
        row("category taken", "Command3", add, travel, {}, true, {}, 1,
            StoreTexts::addCategoryFailed);
        row("category taken in other case", "Command3", add, u"DON'T"_s, {}, true, {}, 1,
            StoreTexts::addCategoryFailed);
        row("empty category name", "Command3", add, {}, {}, true, {}, 1,
            StoreTexts::addCategoryFailed);
        row("no such category", "Command3", del, u"無い"_s, {}, true, {}, 1, StoreTexts::notFound);
        row("cancelled input box", "Command4", {}, travel, u"New one"_s, true, kCancel, 2, {});
        row("empty answer confirmed", "Command4", {}, travel, u"New one"_s, true, u""_s, 2,
            addTitleFailed);
        row("register into a mistyped category", "Command4", {}, u"旅高"_s, u"New one"_s, true,
            u"新しい"_s, 1, addTitleFailed);
        row("update into a mistyped category", "Command5", {}, u"旅高"_s, u"Airport"_s, true, {}, 1,
            StoreTexts::updateTitleFailed);
        row("update into no category", "Command5", {}, {}, u"Airport"_s, true, {}, 1,
            StoreTexts::updateTitleFailed);
        row("English title taken", "Command4", {}, travel, u"good MORNING"_s, true, u"新しい"_s, 2,
            addTitleFailed);
        row("Japanese title taken", "Command4", {}, travel, u"New one"_s, true, u"空港"_s, 2,
            addTitleFailed);
        row("register without category", "Command4", {}, {}, {}, true, {}, 1,
            u"tell:"_s + UiTexts::noCategory);
        row("register without title", "Command4", {}, travel, {}, true, {}, 1,
            u"tell:"_s + UiTexts::noTitle);
        row("update of a missing title", "Command5", {}, travel, u"Nothing like it"_s, true, {}, 1,
            StoreTexts::notFound);
        row("delete of a missing title", "Command6", {}, travel, u"Nothing like it"_s, true, {}, 1,
            StoreTexts::notFound);
    }
    void editThatChangesNothing()
    {
        QFETCH(QByteArray, button);
        QFETCH(QString, action);
        QFETCH(QString, category);
        QFETCH(QString, title);
        QFETCH(bool, yes);
        QFETCH(QString, answer);
        QFETCH(int, boxes);
        QFETCH(QString, status);
        TestFolder folder;
        folder.addTitles();
        const QStringList before = titles(folder) + categories(folder);
        TestWindow w(folder);
        w.typeTitle(category, title, u"A sentence."_s, u"訳。"_s);
        if (!action.isEmpty())
            w.setText("Combo2", action);
        w.setText("Text5", u"old"_s);
        w.dialogs.answers = {yes};
        w.dialogs.inputs = {answer == kCancel ? std::nullopt : std::optional(answer)};
        w.click(button.constData());
        QCOMPARE(titles(folder) + categories(folder), before);
        QCOMPARE(w.dialogs.shown.size(), boxes);
        const bool told = status.startsWith(u"tell:"_s);
        if (told)
            QCOMPARE(w.dialogs.shown, QStringList{status});
        QCOMPARE(w.text("Text5"), told ? QString() : status);
        QCOMPARE(w.text("Text4"), title);
        QCOMPARE(w.text("Text3"), u"A sentence."_s);
        QCOMPARE(w.text("Text6"), u"訳。"_s);
        QCOMPARE(w.text("Combo2"), action.isEmpty() ? u"選択"_s : action);
        QCOMPARE(openFileCount(), 0);
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
