#include "StoreTexts.h"
#include "TestWindow.h"
#include "UiTexts.h"

using namespace Qt::StringLiterals;

namespace {

struct Listing {
    TitleMode mode;
    QString category, search;
    QStringList titles;
    QString status;
};

struct Choice {
    bool speakOnSelection;
    QString english; // as stored
    bool failing;
    QStringList speech;
    QString status;
};

struct Answer {
    TitleMode mode;
    QString reference, answer;
    bool right, failing;
};

struct Speaking {
    QString speed; // stored; "<none>" deletes the row
    QString sentence;
    bool failing;
    QStringList speech;
    QString status;
};

} // namespace

class TestBrowsing : public QObject {
    Q_OBJECT

private slots:
    // A listing replaces the list, sorted by the mode's title. The search text is used once,
    // matches anywhere in the title, ignores case and keeps the pattern characters' meaning.
    // Texts with apostrophes stay plain text.
    void listing_data()
    {
        QTest::addColumn<Listing>("row");
        const auto ej = TitleMode::EJ;
        const QString travel = u"旅行"_s, none = StoreTexts::noMatch;
        // clang-format off
        QTest::newRow("E-J") << Listing{ej, travel, {}, {u"Airport"_s, u"Good morning"_s, u"hat shop"_s, u"hot tea"_s}, {}};
        QTest::newRow("J-E") << Listing{TitleMode::JE, travel, {}, {u"あついお茶"_s, u"おはよう"_s, u"ぼうし屋"_s, u"空港"_s}, {}};
        QTest::newRow("category without titles") << Listing{ej, u"空"_s, {}, {}, StoreTexts::noTitlesIn(u"空"_s)};
        QTest::newRow("capitals find small letters") << Listing{ej, travel, u"MORN"_s, {u"Good morning"_s}, {}};
        QTest::newRow("question mark is one character") << Listing{ej, travel, u"h?t "_s, {u"hat shop"_s, u"hot tea"_s}, {}};
        QTest::newRow("no match") << Listing{ej, travel, u"zebra"_s, {}, none};
        QTest::newRow("percent sign is no wildcard") << Listing{ej, travel, u"%"_s, {}, none};
        QTest::newRow("category with apostrophe") << Listing{ej, u"Don't"_s, {}, {u"It’s mine"_s}, {}};
        QTest::newRow("crafted category selects nothing") << Listing{ej, u"x' OR '1'='1"_s, {}, {}, StoreTexts::noTitlesIn(u"x' OR '1'='1"_s)};
        QTest::newRow("crafted search selects nothing") << Listing{ej, travel, u"' OR ''='"_s, {}, none};
        QTest::newRow("unclosed bracket explains itself") << Listing{TitleMode::JE, travel, u"[!"_s, {}, StoreTexts::searchPatternMalformed};
        // clang-format on
    }
    void listing()
    {
        QFETCH(Listing, row);
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.form.ApplyTitleMode(row.mode);
        w.get<TitleList>("List1")->addItems({u"stale"_s});
        w.setText("Text5", u"old"_s);
        w.listCategory(row.category, row.search);
        QCOMPARE(w.items("List1"), row.titles);
        QCOMPARE(w.text("Label5"), QString::number(row.titles.size()));
        QCOMPARE(w.text("Text5"), row.status);
        QCOMPARE(w.text("Text1"), QString());
        QCOMPARE(openFileCount(), 0);
    }

    // A click on a title shows it, leading ASCII spaces left out, and speaks it when asked.
    void clickingATitleShowsIt_data()
    {
        QTest::addColumn<Choice>("row");
        const QStringList spoken{u"speed:180"_s, u"speak:Good morning."_s};
        const QString selected = UiTexts::titleSelected;
        // clang-format off
        QTest::newRow("speaks once when checked") << Choice{true, u"  Good morning."_s, false, spoken, selected};
        QTest::newRow("silent when unchecked") << Choice{false, u"Good morning."_s, false, {}, selected};
        QTest::newRow("stored blank shows and speaks nothing") << Choice{true, u" "_s, false, {}, selected};
        QTest::newRow("speech error replaces the message") << Choice{true, u"Good morning."_s, true, {u"speed:180"_s}, UiTexts::speechFailed};
        // clang-format on
    }
    void clickingATitleShowsIt()
    {
        QFETCH(Choice, row);
        TestFolder folder;
        folder.exec(
            u"INSERT INTO タイトル VALUES ('Morning', '　朝', '%1', ' おはよう。', 'c')"_s.arg(
                row.english));
        TestWindow w(folder);
        w.speech.failing = row.failing;
        w.setChecked("Check3", row.speakOnSelection);
        w.listCategory(u"c"_s);
        w.setText("Text2", u"old answer"_s);
        w.clickTitle(u"Morning"_s);
        QCOMPARE(w.text("Text4"), u"Morning"_s);
        QCOMPARE(w.text("Text3"), row.english.trimmed());
        // Only ASCII spaces are leading spaces; the ideographic one is the user's own.
        QCOMPARE(w.text("Text6"), u"おはよう。"_s);
        QCOMPARE(w.text("Text2"), QString());
        QCOMPARE(w.speech.calls, row.speech);
        QCOMPARE(w.text("Text5"), row.status);

        w.form.ApplyTitleMode(TitleMode::JE);
        w.listCategory(u"c"_s);
        w.clickTitle(u"　朝"_s);
        QCOMPARE(w.text("Text4"), u"　朝"_s);
    }

    // A title is chosen by every click, on the highlighted one too, and by the arrow keys,
    // never by focus alone; each choice speaks at the speed stored then. The list can't be
    // edited.
    void choosingTitles()
    {
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.form.show(); // an item view edits only what is on the screen
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.listCategory(u"旅行"_s);
        const QStringList listed = w.items("List1");
        auto* list = w.get<TitleList>("List1");
        list->setFocus();
        QCOMPARE(w.text("Text4"), QString());
        w.clickTitle(u"Airport"_s);
        w.click("Command8");
        QCOMPARE(w.text("Combo1") + w.text("Label5"), u"旅行4"_s); // only the six boxes emptied
        folder.setOption(u"Speed"_s, u"200"_s);
        w.clickTitle(u"Airport"_s);
        QCOMPARE(w.text("Text4"), u"Airport"_s);
        QCOMPARE(w.text("Text5"), UiTexts::titleSelected);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(w.text("Text6"), u"おはようございます。"_s);
        QCOMPARE(w.speech.calls, (QStringList{u"speed:180"_s, u"speak:To the airport."_s,
                                              u"speed:200"_s, u"speak:To the airport."_s,
                                              u"speed:200"_s, u"speak:Good morning."_s}));

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

    // The answer must be exactly the reference: the translation in E-J, the English sentence
    // in J-E, visible or not. Without sound the verdict is followed by the speech error.
    void answerCheck_data()
    {
        QTest::addColumn<Answer>("row");
        const auto ej = TitleMode::EJ, je = TitleMode::JE;
        QTest::newRow("same") << Answer{je, u"Good morning."_s, u"Good morning."_s, true, false};
        QTest::newRow("both empty") << Answer{ej, {}, {}, true, false};
        // clang-format off
        QTest::newRow("trailing space") << Answer{je, u"Good morning."_s, u"Good morning. "_s, false, false};
        QTest::newRow("case") << Answer{je, u"Good morning."_s, u"good morning."_s, false, false};
        QTest::newRow("full-width letter") << Answer{je, u"Good."_s, u"Ｇood."_s, false, false};
        QTest::newRow("missing full stop") << Answer{ej, u"おはよう。"_s, u"おはよう"_s, false, false};
        QTest::newRow("line breaks") << Answer{ej, u"一行目\n二行目"_s, u"一行目二行目"_s, false, false};
        QTest::newRow("right, speech error") << Answer{ej, u"はい"_s, u"はい"_s, true, true};
        QTest::newRow("wrong, speech error") << Answer{je, u"Yes."_s, u"yes"_s, false, true};
        // clang-format on
    }
    void answerCheck()
    {
        QFETCH(Answer, row);
        TestFolder folder;
        folder.setOption(u"Anser_true"_s, u"well done"_s);
        TestWindow w(folder);
        w.speech.failing = row.failing;
        w.form.ApplyTitleMode(row.mode);
        const bool ej = row.mode == TitleMode::EJ;
        w.setText(ej ? "Text6" : "Text3", row.reference);
        w.setText(ej ? "Text3" : "Text6", row.answer + u"x"_s); // the other text plays no part
        w.setChecked("Check1", false);
        w.setChecked("Check2", false);
        w.setText("Text2", row.answer);
        w.click("Command7");
        QCOMPARE(w.speech.calls, QStringList{row.right ? u"speak:well done"_s : u"speak:so bad"_s});
        const QString verdict = row.right ? UiTexts::right : UiTexts::wrong;
        QCOMPARE(w.text("Text5"),
                 row.failing ? verdict + u"　"_s + UiTexts::speechFailed : verdict);
        QCOMPARE(w.text("Text2"), row.answer);
    }

    // The speed must be a number; an empty sentence is silently nothing.
    void speakButton_data()
    {
        QTest::addColumn<Speaking>("row");
        const QString see = u"See you."_s, spoken = u"speak:See you."_s, kept = u"kept"_s;
        const QString error = UiTexts::speechFailed;
        // clang-format off
        QTest::newRow("default") << Speaking{u"180"_s, see, false, {u"speed:180"_s, spoken}, kept};
        QTest::newRow("spaces around") << Speaking{u" 165 "_s, see, false, {u"speed:165"_s, spoken}, kept};
        QTest::newRow("fraction rounds to even") << Speaking{u"170.5"_s, see, false, {u"speed:170"_s, spoken}, kept};
        QTest::newRow("not a number") << Speaking{u"fast"_s, see, false, {}, error};
        QTest::newRow("beyond 32 bits") << Speaking{u"3000000000"_s, see, false, {}, error};
        QTest::newRow("no row") << Speaking{u"<none>"_s, see, false, {}, error};
        QTest::newRow("empty sentence") << Speaking{u"180"_s, {}, false, {}, kept};
        QTest::newRow("speech error") << Speaking{u"180"_s, see, true, {u"speed:180"_s}, error};
        // clang-format on
    }
    void speakButton()
    {
        QFETCH(Speaking, row);
        TestFolder folder;
        if (row.speed == u"<none>"_s)
            folder.exec(u"DELETE FROM オプション WHERE Option_Name = 'Speed'"_s);
        else
            folder.setOption(u"Speed"_s, row.speed);
        TestWindow w(folder);
        w.speech.failing = row.failing;
        w.setText("Text3", row.sentence);
        w.setChecked("Check1", false); // hidden is still spoken
        w.setText("Text5", u"kept"_s);
        w.click("Command1");
        QCOMPARE(w.speech.calls, row.speech);
        QCOMPARE(w.text("Text5"), row.status);
    }
};

QTEST_MAIN(TestBrowsing)
#include "tst_browsing.moc"
