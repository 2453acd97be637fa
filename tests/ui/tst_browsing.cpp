#include "PhraseBook.h"
#include "StoreTexts.h"
#include "TestWindow.h"
#include "UiTexts.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Titles whose English and Japanese orders differ, in two categories.
void addTitles(const TestFolder& folder)
{
    folder.exec(u"INSERT INTO カテゴリ VALUES ('旅行'), ('仕事'), ('Don''t'), ('空');"
                "INSERT INTO タイトル VALUES"
                " ('Good morning', 'おはよう', 'Good morning.', 'おはようございます。', '旅行'),"
                " ('hat shop', 'ぼうし屋', 'Where is the hat shop?', 'ぼうし屋はどこ？', '旅行'),"
                " ('Airport', '空港', 'To the airport.', '空港まで。', '旅行'),"
                " ('hot tea', 'あついお茶', 'Hot tea, please.', 'あついお茶をください。', '旅行'),"
                " ('Deadline', '締め切り', 'When is it due?', 'いつまでですか？', '仕事'),"
                " ('It’s mine', 'わたしの', 'It''s mine.', 'わたしのです。', 'Don''t')"_s);
}

void setOption(const TestFolder& folder, const QString& name, const QString& value)
{
    folder.exec(
        u"UPDATE オプション SET Option_Value = '%1' WHERE Option_Name = '%2'"_s.arg(value, name));
}

} // namespace

class TestBrowsing : public QObject {
    Q_OBJECT

private slots:
    void listingSortsByTheModesTitle_data()
    {
        QTest::addColumn<TitleMode>("mode");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("E-J") << TitleMode::EJ
                             << QStringList{u"Airport"_s, u"Good morning"_s, u"hat shop"_s,
                                            u"hot tea"_s};
        QTest::newRow("J-E") << TitleMode::JE
                             << QStringList{u"あついお茶"_s, u"おはよう"_s, u"ぼうし屋"_s,
                                            u"空港"_s};
    }
    void listingSortsByTheModesTitle()
    {
        QFETCH(TitleMode, mode);
        QFETCH(QStringList, titles);
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.form.ApplyTitleMode(mode);
        w.setText("Text5", u"old"_s);
        w.listCategory(u"旅行"_s);
        QCOMPARE(w.items("List1"), titles);
        QCOMPARE(w.text("Label5"), u"4"_s);
        QCOMPARE(w.text("Text5"), QString());
    }

    void categoryWithoutTitles()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.listCategory(u"旅行"_s);
        w.listCategory(u"空"_s);
        QCOMPARE(w.items("List1"), QStringList());
        QCOMPARE(w.text("Label5"), u"0"_s);
        QCOMPARE(w.text("Text5"), u"カテゴリ＝空には、まだ、タイトル・データがありません。"_s);
    }

    // The search text is used once, matches anywhere in the title, ignores case and keeps
    // the pattern characters' meaning. Texts with apostrophes stay plain text.
    void search_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("status");
        QTest::newRow("capitals find small letters")
            << u"旅行"_s << u"MORN"_s << QStringList{u"Good morning"_s} << QString();
        QTest::newRow("question mark is one character")
            << u"旅行"_s << u"h?t "_s << QStringList{u"hat shop"_s, u"hot tea"_s} << QString();
        QTest::newRow("no match") << u"旅行"_s << u"zebra"_s << QStringList{}
                                  << u"検索結果が０件です。"_s;
        QTest::newRow("category with apostrophe")
            << u"Don't"_s << QString() << QStringList{u"It’s mine"_s} << QString();
        QTest::newRow("crafted category selects nothing")
            << u"x' OR '1'='1"_s << QString() << QStringList{}
            << u"カテゴリ＝x' OR '1'='1には、まだ、タイトル・データがありません。"_s;
        QTest::newRow("crafted search selects nothing")
            << u"旅行"_s << u"' OR ''='"_s << QStringList{} << u"検索結果が０件です。"_s;
        QTest::newRow("malformed pattern is refused, not a crash")
            << u"旅行"_s << u"["_s << QStringList{} << StoreTexts::statementRefused;
    }
    void search()
    {
        QFETCH(QString, category);
        QFETCH(QString, search);
        QFETCH(QStringList, titles);
        QFETCH(QString, status);
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.listCategory(category, search);
        QStringList listed = w.items("List1");
        listed.sort();
        QCOMPARE(listed, titles);
        const QString count = status == StoreTexts::statementRefused ? QString()
                              : status.isEmpty() ? QString::number(titles.size())
                                                 : u"0"_s;
        QCOMPARE(w.text("Label5"), count);
        QCOMPARE(w.text("Text5"), status);
        QCOMPARE(w.text("Text1"), QString());
        QCOMPARE(openFileCount(), 0);
    }

    // Called on its own, a search without match keeps the titles in view, and an empty
    // search text matches every title.
    void filterKeepsTheListWhenNothingMatches()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.listCategory(u"旅行"_s);
        PhraseBook book(folder.path(), w.storeControls());
        w.setText("Text1", u"zebra"_s);
        book.FilterTitles(TitleMode::EJ);
        QCOMPARE(w.items("List1").size(), 4);
        QCOMPARE(w.text("Label5"), u"0"_s);
        w.setText("Text1", QString());
        book.FilterTitles(TitleMode::JE);
        QCOMPARE(w.items("List1").size(), 4);
        QCOMPARE(w.text("Label5"), u"4"_s);
    }

    // Another tool may have left a Null. A Null title sorts first, so the listing fails
    // after clearing the list and before counting; a Null translation fails the lookup after
    // the title and the English sentence are shown.
    void absentValueEndsTheLookup()
    {
        TestFolder folder;
        folder.exec(
            u"DROP TABLE タイトル;"
            "CREATE TABLE タイトル (タイトル名_英語, タイトル名_日本語, 英文, 和訳, カテゴリ名);"
            "INSERT INTO タイトル VALUES ('a', 'あ', 'A.', NULL, 'c'), (NULL, 'う', 'C.', 'う。', 'd')"_s);
        TestWindow w(folder);
        w.listCategory(u"c"_s);
        w.get<QLabel>("Label5")->setText(u"9"_s);
        w.listCategory(u"d"_s);
        QCOMPARE(w.items("List1"), QStringList());
        QCOMPARE(w.text("Label5"), u"9"_s);
        QCOMPARE(w.text("Text5"), StoreTexts::listTitlesFailed);

        w.listCategory(u"c"_s);
        w.get<TitleList>("List1")->setCurrentRow(0);
        w.setText("Text6", u"before"_s);
        PhraseBook(folder.path(), w.storeControls()).LoadTitle(TitleMode::EJ);
        QCOMPARE(w.text("Text4"), u"a"_s);
        QCOMPARE(w.text("Text3"), u"A."_s);
        QCOMPARE(w.text("Text6"), u"before"_s);
        QCOMPARE(w.text("Text5"), StoreTexts::loadTitleFailed);
    }

    void clickingATitleShowsIt_data()
    {
        QTest::addColumn<bool>("speakOnSelection");
        QTest::addColumn<QString>("english"); // as stored
        QTest::addColumn<QStringList>("speech");
        QTest::newRow("speaks once when checked")
            << true << u"  Good morning."_s
            << QStringList{u"speed:180"_s, u"speak:Good morning."_s};
        QTest::newRow("silent when unchecked") << false << u"Good morning."_s << QStringList{};
        QTest::newRow("stored blank shows and speaks nothing") << true << u" "_s << QStringList{};
    }
    void clickingATitleShowsIt()
    {
        QFETCH(bool, speakOnSelection);
        QFETCH(QString, english);
        QFETCH(QStringList, speech);
        TestFolder folder;
        folder.exec(
            u"INSERT INTO タイトル VALUES ('Morning', '　朝', '%1', ' おはよう。', 'c')"_s.arg(
                english));
        TestWindow w(folder);
        w.setChecked("Check3", speakOnSelection);
        w.listCategory(u"c"_s);
        w.setText("Text2", u"old answer"_s);
        w.clickTitle(u"Morning"_s);
        QCOMPARE(w.text("Text4"), u"Morning"_s);
        QCOMPARE(w.text("Text3"), english.trimmed());
        // Only ASCII spaces are leading spaces; the ideographic one is the user's own.
        QCOMPARE(w.text("Text6"), u"おはよう。"_s);
        QCOMPARE(w.text("Text2"), QString());
        QCOMPARE(w.speech.calls, speech);
        QCOMPARE(w.text("Text5"), UiTexts::titleSelected);

        w.form.ApplyTitleMode(TitleMode::JE);
        w.listCategory(u"c"_s);
        w.clickTitle(u"　朝"_s);
        QCOMPARE(w.text("Text4"), u"　朝"_s);
    }

    void speechFailureOnSelectionReplacesTheMessage()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.speech.failing = true;
        w.listCategory(u"旅行"_s);
        w.clickTitle(u"Airport"_s);
        QCOMPARE(w.text("Text3"), u"To the airport."_s);
        QCOMPARE(w.text("Text5"), UiTexts::speechFailed);
    }

    void arrowKeysFollowTheSelection()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.setChecked("Check3", false);
        w.listCategory(u"旅行"_s);
        w.clickTitle(u"Airport"_s);
        QTest::keyClick(w.get<TitleList>("List1"), Qt::Key_Down);
        QCOMPARE(w.text("Text4"), u"Good morning"_s);
        QCOMPARE(w.text("Text6"), u"おはようございます。"_s);
    }

    void titlesCanNotBeEditedInTheList()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.form.show(); // an item view edits only what is on the screen
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.setChecked("Check3", false);
        w.listCategory(u"旅行"_s);
        const QStringList listed = w.items("List1");
        auto* list = w.get<TitleList>("List1");
        w.clickTitle(u"Airport"_s);
        const QPoint airport = list->visualRect(list->currentIndex()).center();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, airport);
        QTest::keyClick(list, Qt::Key_F2);
        for (auto* editor : list->findChildren<QLineEdit*>()) {
            QTest::keyClicks(editor, u"x"_s);
            QTest::keyClick(editor, Qt::Key_Return);
        }
        QCoreApplication::processEvents(); // the editor hands its text over queued
        QCOMPARE(w.items("List1"), listed);
    }

    // The answer must be exactly the reference: the translation in E-J, the English sentence
    // in J-E, visible or not.
    void answerCheck_data()
    {
        QTest::addColumn<TitleMode>("mode");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("right");
        const auto ej = TitleMode::EJ;
        const auto je = TitleMode::JE;
        QTest::newRow("same") << je << u"Good morning."_s << u"Good morning."_s << true;
        QTest::newRow("both empty") << ej << QString() << QString() << true;
        QTest::newRow("trailing space") << je << u"Good morning."_s << u"Good morning. "_s << false;
        QTest::newRow("case") << je << u"Good morning."_s << u"good morning."_s << false;
        QTest::newRow("full-width letter") << je << u"Good."_s << u"Ｇood."_s << false;
        QTest::newRow("missing full stop") << ej << u"おはよう。"_s << u"おはよう"_s << false;
        QTest::newRow("line breaks") << ej << u"一行目\n二行目"_s << u"一行目二行目"_s << false;
        QTest::newRow("Japanese") << ej << u"おはよう。"_s << u"おはよう。"_s << true;
    }
    void answerCheck()
    {
        QFETCH(TitleMode, mode);
        QFETCH(QString, reference);
        QFETCH(QString, answer);
        QFETCH(bool, right);
        TestFolder folder;
        setOption(folder, u"Anser_true"_s, u"well done"_s);
        TestWindow w(folder);
        w.form.ApplyTitleMode(mode);
        const char* referenceBox = mode == TitleMode::EJ ? "Text6" : "Text3";
        const char* otherBox = mode == TitleMode::EJ ? "Text3" : "Text6";
        w.setText(referenceBox, reference);
        w.setText(otherBox, answer + u"x"_s); // the other text plays no part
        w.setChecked("Check1", false);
        w.setChecked("Check2", false);
        w.setText("Text2", answer);
        w.click("Command7");
        QCOMPARE(w.speech.calls, QStringList{right ? u"speak:well done"_s : u"speak:so bad"_s});
        QCOMPARE(w.text("Text5"), right ? UiTexts::right : UiTexts::wrong);
        QCOMPARE(w.text("Text2"), answer);
    }

    void answerCheckSpeechFailureShowsNoVerdict()
    {
        TestFolder folder;
        TestWindow w(folder);
        w.speech.failing = true;
        w.click("Command7");
        QCOMPARE(w.text("Text5"), UiTexts::speechFailed);
    }

    // The speed is read afresh for each speaking and must be a number.
    void speakButton_data()
    {
        QTest::addColumn<QString>("speed"); // stored; "<none>" deletes the row
        QTest::addColumn<QStringList>("speech");
        QTest::addColumn<QString>("status");
        const QString sentence = u"speak:See you."_s;
        QTest::newRow("default") << u"180"_s << QStringList{u"speed:180"_s, sentence} << u"kept"_s;
        QTest::newRow("spaces around")
            << u" 165 "_s << QStringList{u"speed:165"_s, sentence} << u"kept"_s;
        QTest::newRow("fraction rounds to even")
            << u"170.5"_s << QStringList{u"speed:170"_s, sentence} << u"kept"_s;
        QTest::newRow("not a number") << u"fast"_s << QStringList{} << UiTexts::speechFailed;
        QTest::newRow("beyond 32 bits")
            << u"3000000000"_s << QStringList{} << UiTexts::speechFailed;
        QTest::newRow("no row") << u"<none>"_s << QStringList{} << UiTexts::speechFailed;
    }
    void speakButton()
    {
        QFETCH(QString, speed);
        QFETCH(QStringList, speech);
        QFETCH(QString, status);
        TestFolder folder;
        if (speed == u"<none>"_s)
            folder.exec(u"DELETE FROM オプション WHERE Option_Name = 'Speed'"_s);
        else
            setOption(folder, u"Speed"_s, speed);
        TestWindow w(folder);
        w.setText("Text3", u"See you."_s);
        w.setChecked("Check1", false); // hidden is still spoken
        w.setText("Text5", u"kept"_s);
        w.click("Command1");
        QCOMPARE(w.speech.calls, speech);
        QCOMPARE(w.text("Text5"), status);
    }

    void speakButtonFollowsASavedSpeedAndStaysQuietOnEmpty()
    {
        TestFolder folder;
        TestWindow w(folder);
        w.setText("Text5", u"kept"_s);
        w.click("Command1");
        QCOMPARE(w.speech.calls, QStringList());
        w.setText("Text3", u"Hi."_s);
        w.click("Command1");
        setOption(folder, u"Speed"_s, u"200"_s);
        w.click("Command1");
        QCOMPARE(w.speech.calls,
                 (QStringList{u"speed:180"_s, u"speak:Hi."_s, u"speed:200"_s, u"speak:Hi."_s}));
        QCOMPARE(w.text("Text5"), u"kept"_s);
        w.speech.failing = true;
        w.click("Command1");
        QCOMPARE(w.text("Text5"), UiTexts::speechFailed);
    }

    void otherActionOnlyClearsTheStatus()
    {
        TestFolder folder;
        addTitles(folder);
        TestWindow w(folder);
        w.listCategory(u"旅行"_s);
        w.setText("Text5", u"old"_s);
        w.setText("Combo2", u"選ぶ"_s);
        w.click("Command3");
        QCOMPARE(w.items("List1").size(), 4);
        QCOMPARE(w.text("Text5"), QString());
    }
};

QTEST_MAIN(TestBrowsing)
#include "tst_browsing.moc"
