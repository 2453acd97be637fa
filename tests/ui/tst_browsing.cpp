#include "PhraseBook.h"
#include "StoreTexts.h"
#include "TestWindow.h"
#include "UiTexts.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestBrowsing : public QObject {
    Q_OBJECT

private slots:
    // A listing replaces the list, sorted by the mode's title. The search text is used once,
    // matches anywhere in the title, ignores case and keeps the pattern characters' meaning.
    // Texts with apostrophes stay plain text.
    void listing_data()
    {
        QTest::addColumn<TitleMode>("mode");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("status");
        const auto ej = TitleMode::EJ;
        const QString none = StoreTexts::noMatch;
        QTest::newRow("E-J") << ej << u"旅行"_s << QString()
                             << QStringList{u"Airport"_s, u"Good morning"_s, u"hat shop"_s,
                                            u"hot tea"_s}
                             << QString();
        QTest::newRow("J-E") << TitleMode::JE << u"旅行"_s << QString()
                             << QStringList{u"あついお茶"_s, u"おはよう"_s, u"ぼうし屋"_s,
                                            u"空港"_s}
                             << QString();
        QTest::newRow("category without titles")
            << ej << u"空"_s << QString() << QStringList{} << StoreTexts::noTitlesIn(u"空"_s);
        QTest::newRow("capitals find small letters")
            << ej << u"旅行"_s << u"MORN"_s << QStringList{u"Good morning"_s} << QString();
        QTest::newRow("question mark is one character")
            << ej << u"旅行"_s << u"h?t "_s << QStringList{u"hat shop"_s, u"hot tea"_s}
            << QString();
        QTest::newRow("no match") << ej << u"旅行"_s << u"zebra"_s << QStringList{} << none;
        QTest::newRow("percent sign is no wildcard")
            << ej << u"旅行"_s << u"%"_s << QStringList{} << none;
        QTest::newRow("category with apostrophe")
            << ej << u"Don't"_s << QString() << QStringList{u"It’s mine"_s} << QString();
        QTest::newRow("crafted category selects nothing")
            << ej << u"x' OR '1'='1"_s << QString() << QStringList{}
            << StoreTexts::noTitlesIn(u"x' OR '1'='1"_s);
        QTest::newRow("crafted search selects nothing")
            << ej << u"旅行"_s << u"' OR ''='"_s << QStringList{} << none;
        QTest::newRow("unclosed bracket explains itself")
            << ej << u"旅行"_s << u"["_s << QStringList{} << StoreTexts::searchPatternMalformed;
        QTest::newRow("unclosed negation explains itself")
            << TitleMode::JE << u"旅行"_s << u"[!"_s << QStringList{}
            << StoreTexts::searchPatternMalformed;
    }
    void listing()
    {
        QFETCH(TitleMode, mode);
        QFETCH(QString, category);
        QFETCH(QString, search);
        QFETCH(QStringList, titles);
        QFETCH(QString, status);
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.form.ApplyTitleMode(mode);
        w.get<TitleList>("List1")->addItems({u"stale"_s});
        w.setText("Text5", u"old"_s);
        w.listCategory(category, search);
        QCOMPARE(w.items("List1"), titles);
        QCOMPARE(w.text("Label5"), QString::number(titles.size()));
        QCOMPARE(w.text("Text5"), status);
        QCOMPARE(w.text("Text1"), QString());
        QCOMPARE(openFileCount(), 0);
    }

    // Called on its own, a search without match keeps the titles in view, and an empty
    // search text matches every title.
    void filterKeepsTheListWhenNothingMatches()
    {
        TestFolder folder;
        folder.addTitles();
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
        QTest::addColumn<bool>("failing");
        QTest::addColumn<QStringList>("speech");
        QTest::addColumn<QString>("status");
        const QStringList spoken{u"speed:180"_s, u"speak:Good morning."_s};
        const QString selected = UiTexts::titleSelected;
        QTest::newRow("speaks once when checked")
            << true << u"  Good morning."_s << false << spoken << selected;
        QTest::newRow("silent when unchecked")
            << false << u"Good morning."_s << false << QStringList{} << selected;
        QTest::newRow("stored blank shows and speaks nothing")
            << true << u" "_s << false << QStringList{} << selected;
        QTest::newRow("speech error replaces the message")
            << true << u"Good morning."_s << true << QStringList{u"speed:180"_s}
            << UiTexts::speechFailed;
    }
    void clickingATitleShowsIt()
    {
        QFETCH(bool, speakOnSelection);
        QFETCH(QString, english);
        QFETCH(bool, failing);
        QFETCH(QStringList, speech);
        QFETCH(QString, status);
        TestFolder folder;
        folder.exec(
            u"INSERT INTO タイトル VALUES ('Morning', '　朝', '%1', ' おはよう。', 'c')"_s.arg(
                english));
        TestWindow w(folder);
        w.speech.failing = failing;
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
        QCOMPARE(w.text("Text5"), status);

        w.form.ApplyTitleMode(TitleMode::JE);
        w.listCategory(u"c"_s);
        w.clickTitle(u"　朝"_s);
        QCOMPARE(w.text("Text4"), u"　朝"_s);
    }

    // Every click on a title loads it and speaks it, the one still highlighted too.
    void reClickLoadsAgain()
    {
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.listCategory(u"旅行"_s);
        w.clickTitle(u"Airport"_s);
        w.click("Command8");
        w.clickTitle(u"Airport"_s);
        QCOMPARE(w.text("Text4"), u"Airport"_s);
        QCOMPARE(w.text("Text5"), UiTexts::titleSelected);
        const QStringList once{u"speed:180"_s, u"speak:To the airport."_s};
        QCOMPARE(w.speech.calls, once + once);
    }

    // The arrow keys choose a title as the mouse does; the list can't be edited.
    void listKeys()
    {
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.form.show(); // an item view edits only what is on the screen
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.setChecked("Check3", false);
        w.listCategory(u"旅行"_s);
        const QStringList listed = w.items("List1");
        auto* list = w.get<TitleList>("List1");
        list->setFocus(); // focus alone chooses nothing
        QCOMPARE(w.text("Text4"), QString());
        w.clickTitle(u"Airport"_s);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(w.text("Text4"), u"Good morning"_s);
        QCOMPARE(w.text("Text6"), u"おはようございます。"_s);

        const QPoint current = list->visualRect(list->currentIndex()).center();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, current);
        QTest::keyClick(list, Qt::Key_F2);
        for (auto* editor : list->findChildren<QLineEdit*>()) {
            QTest::keyClicks(editor, u"x"_s);
            QTest::keyClick(editor, Qt::Key_Return);
        }
        QCoreApplication::processEvents(); // the editor hands its text over queued
        QCOMPARE(w.items("List1"), listed);
    }

    // Titles added to a list come after those listed, and nothing stays selected; the list
    // shows them as given.
    void titleListAddsAfterTheListed()
    {
        TitleList list;
        list.addItems({u"b"_s, u"a"_s});
        list.setCurrentRow(1);
        QCOMPARE(list.selectedTitle(), u"a"_s);
        const QString more[] = {u"日本の駅"_s, u"c"_s};
        const QStringView views[] = {more[0], more[1]};
        list.addTitles(views);
        QCOMPARE(list.selectedTitle(), QString());
        QCOMPARE(list.items(), (QStringList{u"b"_s, u"a"_s, u"日本の駅"_s, u"c"_s}));
        QCOMPARE(list.model()->index(2, 0).data().toString(), u"日本の駅"_s);
        QCOMPARE(list.model()->index(3, 0).data().toString(), u"c"_s);
        list.clear();
        QCOMPARE(list.count(), 0);
        QCOMPARE(list.selectedTitle(), QString());
    }

    // The answer must be exactly the reference: the translation in E-J, the English sentence
    // in J-E, visible or not. Without sound the verdict is followed by the speech error.
    void answerCheck_data()
    {
        QTest::addColumn<TitleMode>("mode");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("failing");
        const auto ej = TitleMode::EJ;
        const auto je = TitleMode::JE;
        QTest::newRow("same") << je << u"Good morning."_s << u"Good morning."_s << true << false;
        QTest::newRow("both empty") << ej << QString() << QString() << true << false;
        QTest::newRow("trailing space")
            << je << u"Good morning."_s << u"Good morning. "_s << false << false;
        QTest::newRow("case") << je << u"Good morning."_s << u"good morning."_s << false << false;
        QTest::newRow("full-width letter") << je << u"Good."_s << u"Ｇood."_s << false << false;
        QTest::newRow("missing full stop")
            << ej << u"おはよう。"_s << u"おはよう"_s << false << false;
        QTest::newRow("line breaks")
            << ej << u"一行目\n二行目"_s << u"一行目二行目"_s << false << false;
        QTest::newRow("Japanese") << ej << u"おはよう。"_s << u"おはよう。"_s << true << false;
        QTest::newRow("right, speech error") << ej << u"はい"_s << u"はい"_s << true << true;
        QTest::newRow("wrong, speech error") << je << u"Yes."_s << u"yes"_s << false << true;
    }
    void answerCheck()
    {
        QFETCH(TitleMode, mode);
        QFETCH(QString, reference);
        QFETCH(QString, answer);
        QFETCH(bool, right);
        QFETCH(bool, failing);
        TestFolder folder;
        folder.setOption(u"Anser_true"_s, u"well done"_s);
        TestWindow w(folder);
        w.speech.failing = failing;
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
        const QString verdict = right ? UiTexts::right : UiTexts::wrong;
        QCOMPARE(w.text("Text5"), failing ? verdict + u"　"_s + UiTexts::speechFailed : verdict);
        QCOMPARE(w.text("Text2"), answer);
    }

    // The speed must be a number; an empty sentence is silently nothing.
    void speakButton_data()
    {
        QTest::addColumn<QString>("speed"); // stored; "<none>" deletes the row
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<bool>("failing");
        QTest::addColumn<QStringList>("speech");
        QTest::addColumn<QString>("status");
        const QString see = u"See you."_s;
        const QString spoken = u"speak:See you."_s;
        const QString error = UiTexts::speechFailed;
        auto row = [](const char* name, const QString& speed, const QString& sentence, bool failing,
                      const QStringList& speech, const QString& status) {
            QTest::newRow(name) << speed << sentence << failing << speech << status;
        };
        row("default", u"180"_s, see, false, {u"speed:180"_s, spoken}, u"kept"_s);
        row("spaces around", u" 165 "_s, see, false, {u"speed:165"_s, spoken}, u"kept"_s);
        row("fraction rounds to even", u"170.5"_s, see, false, {u"speed:170"_s, spoken}, u"kept"_s);
        row("not a number", u"fast"_s, see, false, {}, error);
        row("beyond 32 bits", u"3000000000"_s, see, false, {}, error);
        row("no row", u"<none>"_s, see, false, {}, error);
        row("empty sentence", u"180"_s, QString(), false, {}, u"kept"_s);
        row("speech error", u"180"_s, see, true, {u"speed:180"_s}, error);
    }
    void speakButton()
    {
        QFETCH(QString, speed);
        QFETCH(QString, sentence);
        QFETCH(bool, failing);
        QFETCH(QStringList, speech);
        QFETCH(QString, status);
        TestFolder folder;
        if (speed == u"<none>"_s)
            folder.exec(u"DELETE FROM オプション WHERE Option_Name = 'Speed'"_s);
        else
            folder.setOption(u"Speed"_s, speed);
        TestWindow w(folder);
        w.speech.failing = failing;
        w.setText("Text3", sentence);
        w.setChecked("Check1", false); // hidden is still spoken
        w.setText("Text5", u"kept"_s);
        w.click("Command1");
        QCOMPARE(w.speech.calls, speech);
        QCOMPARE(w.text("Text5"), status);
    }

    // The speed is read afresh for each speaking.
    void speakButtonFollowsASavedSpeed()
    {
        TestFolder folder;
        TestWindow w(folder);
        w.setText("Text3", u"Hi."_s);
        w.click("Command1");
        folder.setOption(u"Speed"_s, u"200"_s);
        w.click("Command1");
        QCOMPARE(w.speech.calls,
                 (QStringList{u"speed:180"_s, u"speak:Hi."_s, u"speed:200"_s, u"speak:Hi."_s}));
    }

    void otherActionOnlyClearsTheStatus()
    {
        TestFolder folder;
        folder.addTitles();
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
