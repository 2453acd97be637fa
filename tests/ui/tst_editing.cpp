#include "StoreTexts.h"
#include "TestWindow.h"
#include "UiTexts.h"

using namespace Qt::StringLiterals;

namespace {

QStringList titles(const TestFolder& folder)
{
    return folder.rows(u"SELECT タイトル名_英語, タイトル名_日本語, 英文, 和訳, カテゴリ名 "
                       "FROM タイトル ORDER BY rowid"_s);
}

QStringList categories(const TestFolder& folder)
{
    return folder.rows(u"SELECT カテゴリ名 FROM カテゴリ ORDER BY rowid"_s);
}

struct CategoryEdit {
    QString action, name;
    QStringList left; // the categories
    int titlesLeft;
};

struct Registration {
    TitleMode mode;
    QString typed, answer; // the title typed, and the one answered in the input box
    QString english;       // the sentence typed
    QString stored;
};

struct Refused {
    const char* button;
    QString action; // Combo2's, for Command3
    QString category, title;
    bool yes;                      // to the question
    std::optional<QString> answer; // to the input box; nothing cancels it
    int boxes;                     // questions and notices shown
    QString status;                // or the notice shown, as "tell:<text>"
};

} // namespace

class TestEditing : public QObject {
    Q_OBJECT

private slots:
    // A category is added, or goes with its titles or on its own; the lists are read again.
    void categoryEdits_data()
    {
        QTest::addColumn<CategoryEdit>("row");
        // clang-format off
        QTest::newRow("add") << CategoryEdit{u"登録"_s, u"買い物"_s, {u"旅行"_s, u"仕事"_s, u"Don't"_s, u"空"_s, u"買い物"_s}, 6};
        QTest::newRow("delete with its titles") << CategoryEdit{u"削除"_s, u"旅行"_s, {u"仕事"_s, u"Don't"_s, u"空"_s}, 2};
        QTest::newRow("delete without titles") << CategoryEdit{u"削除"_s, u"空"_s, {u"旅行"_s, u"仕事"_s, u"Don't"_s}, 6};
        // clang-format on
    }
    void categoryEdits()
    {
        QFETCH(CategoryEdit, row);
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.form.ApplyTitleMode(TitleMode::JE);
        w.listCategory(u"旅行"_s);
        w.categoryAction(row.name, row.action);
        const QString question =
            row.action == u"登録"_s ? UiTexts::askAdd : UiTexts::askDeleteCategory;
        QCOMPARE(w.dialogs.shown, QStringList{u"ask:確認!:"_s + row.name + question});
        QCOMPARE(categories(folder), row.left);
        QCOMPARE(titles(folder).size(), row.titlesLeft);
        QCOMPARE(w.items("Combo1"), row.left);
        QCOMPARE(w.text("Combo1"), row.left[0]);
        QCOMPARE(w.text("Combo2"), u"選択"_s);
        QCOMPARE(w.items("List1"), QStringList());
        QCOMPARE(w.text("Text5"), QString());
    }

    // The title typed and the one answered are stored with their apostrophes, the English
    // title's made typographic; the boxes are emptied and the category listed again.
    void registerTitle_data()
    {
        QTest::addColumn<Registration>("row");
        // clang-format off
        QTest::newRow("E-J") << Registration{TitleMode::EJ, u"Don't stop"_s, u"止まらない'で"_s, u"Don't stop."_s, u"Don’t stop|止まらない'で|Don't stop.|止まらないで。|旅行"_s};
        QTest::newRow("J-E") << Registration{TitleMode::JE, u"私の'本"_s, u"It's mine too"_s, u"It's my book."_s, u"It’s mine too|私の'本|It's my book.|止まらないで。|旅行"_s};
        // clang-format on
    }
    void registerTitle()
    {
        QFETCH(Registration, row);
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.form.ApplyTitleMode(row.mode);
        w.typeTitle(u"旅行"_s, row.typed, row.english, u"止まらないで。"_s);
        w.dialogs.answers = {true};
        w.dialogs.inputs = {row.answer};
        w.click("Command4");
        const bool ej = row.mode == TitleMode::EJ;
        QCOMPARE(w.dialogs.shown, (QStringList{u"ask:確認！:"_s + row.typed + UiTexts::askAdd,
                                               u"input:"_s + (ej ? StoreTexts::askJapaneseTitle
                                                                 : StoreTexts::askEnglishTitle)}));
        QCOMPARE(titles(folder).last(), row.stored);
        for (const char* box : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"})
            QVERIFY2(w.text(box).isEmpty(), box);
        QCOMPARE(w.items("List1").size(), 5);
        QVERIFY(w.items("List1").contains(row.stored.section(u'|', ej ? 0 : 1, ej ? 0 : 1)));
    }

    // An update rewrites the sentence, translation and category of the title; a category is
    // named in any case of its letters. Deleting a category's last title says it is empty.
    void updateAndDelete()
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

        w.typeTitle(u"DON'T"_s, u"airport"_s, u"A."_s, u"空港へ。"_s);
        w.dialogs.answers = {true};
        w.click("Command5");
        QCOMPARE(titles(folder)[2], u"Airport|空港|A.|空港へ。|DON'T"_s);
        QCOMPARE(w.items("List1"), (QStringList{u"Airport"_s, u"It’s mine"_s}));

        w.form.ApplyTitleMode(TitleMode::JE);
        w.typeTitle(u"仕事"_s, u"締め切り"_s, u"x"_s, u"y"_s);
        w.dialogs.answers = {true};
        w.dialogs.shown.clear();
        w.click("Command6");
        QCOMPARE(w.dialogs.shown, QStringList{u"ask:確認！:締め切り を削除しますか？"_s});
        QCOMPARE(titles(folder).size(), 5);
        QCOMPARE(w.text("Text4"), QString());
        QCOMPARE(w.text("Text5"), StoreTexts::noTitlesIn(u"仕事"_s));
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

    // An edit answered No, refused, or of something that isn't there changes nothing in the
    // file, says why in the status line or a box, and keeps everything the user typed. A
    // category's titles go all or none, and the category stays when one of them can't go.
    void editThatChangesNothing_data()
    {
        QTest::addColumn<Refused>("row");
        const QString add = u"登録"_s, del = u"削除"_s, travel = u"旅行"_s, other = u"新しい"_s;
        const QString addTitleFailed = StoreTexts::addTitleFailed;
        // clang-format off
        QTest::newRow("add category answered No") << Refused{"Command3", add, u"買い物"_s, {}, false, {}, 1, {}};
        QTest::newRow("delete category answered No") << Refused{"Command3", del, travel, {}, false, {}, 1, {}};
        QTest::newRow("register answered No") << Refused{"Command4", {}, travel, u"New one"_s, false, other, 1, {}};
        QTest::newRow("category taken") << Refused{"Command3", add, u"DON'T"_s, {}, true, {}, 1, StoreTexts::addCategoryFailed};
        QTest::newRow("category whose titles can't all go") << Refused{"Command3", del, travel, {}, true, {}, 1, StoreTexts::deleteCategoryTitlesFailed};
        QTest::newRow("no such category") << Refused{"Command3", del, u"無い"_s, {}, true, {}, 1, StoreTexts::notFound};
        QTest::newRow("cancelled input box") << Refused{"Command4", {}, travel, u"New one"_s, true, std::nullopt, 2, {}};
        QTest::newRow("register into a mistyped category") << Refused{"Command4", {}, u"旅高"_s, u"New one"_s, true, other, 1, addTitleFailed};
        QTest::newRow("update into a mistyped category") << Refused{"Command5", {}, u"旅高"_s, u"Airport"_s, true, {}, 1, StoreTexts::updateTitleFailed};
        QTest::newRow("English title taken") << Refused{"Command4", {}, travel, u"good MORNING"_s, true, other, 2, addTitleFailed};
        QTest::newRow("register without category") << Refused{"Command4", {}, {}, {}, true, {}, 1, u"tell:"_s + UiTexts::noCategory};
        QTest::newRow("register without title") << Refused{"Command4", {}, travel, {}, true, {}, 1, u"tell:"_s + UiTexts::noTitle};
        QTest::newRow("update of a missing title") << Refused{"Command5", {}, travel, u"Nothing like it"_s, true, {}, 1, StoreTexts::notFound};
        QTest::newRow("delete of a missing title") << Refused{"Command6", {}, travel, u"Nothing like it"_s, true, {}, 1, StoreTexts::notFound};
        // clang-format on
    }
    void editThatChangesNothing()
    {
        QFETCH(Refused, row);
        TestFolder folder;
        folder.addTitles();
        // The last of 旅行's titles refuses to go, after the others were deleted.
        folder.exec(u"CREATE TRIGGER keep BEFORE DELETE ON タイトル WHEN old.タイトル名_英語 = "
                    "'hot tea' BEGIN SELECT RAISE(ABORT, 'kept'); END"_s);
        const QStringList before = titles(folder) + categories(folder);
        TestWindow w(folder);
        w.typeTitle(row.category, row.title, u"A sentence."_s, u"訳。"_s);
        const QString action = row.action.isEmpty() ? u"選択"_s : row.action;
        w.setText("Combo2", action);
        w.setText("Text5", u"old"_s);
        w.dialogs.answers = {row.yes};
        w.dialogs.inputs = {row.answer};
        w.click(row.button);
        QCOMPARE(titles(folder) + categories(folder), before);
        QCOMPARE(w.text("Text4") + w.text("Text3") + w.text("Text6") + w.text("Combo2"),
                 row.title + u"A sentence.訳。"_s + action);
        QCOMPARE(openFileCount(), 0);
        QCOMPARE(w.dialogs.shown.size(), row.boxes);
        QCOMPARE(w.text("Text5") + w.dialogs.shown.filter(u"tell:"_s).join(u'|'), row.status);
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
