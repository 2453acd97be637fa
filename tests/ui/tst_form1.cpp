#include "StoreTexts.h"
#include "TestWindow.h"
#include "UiTexts.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

struct Listing {
    TitleMode mode;
    QString category, search;
    QStringList titles;
    QString status;
};

struct Answer {
    TitleMode mode;
    QString reference, answer;
    bool right, failing;
};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    // Start-up shows what the options say, lists the categories, empties the boxes and says
    // nothing; a damaged file is named and the options fall back.
    void startUp_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QString>("shown"); // status, mode, Check1..3, category
        QTest::newRow("sample book") << false << u"|J-E|100|あいさつ"_s;
        QTest::newRow("damaged file") << true << StoreTexts::fileDamaged + u"|E-J|000|Combo1"_s;
    }
    void startUp()
    {
        QFETCH(bool, damaged);
        QFETCH(QString, shown);
        TestFolder folder(PhraseBookContents::OptionsSample);
        folder.setOption(u"Title_sw"_s, u"2"_s);
        folder.setOption(u"Japanese"_s, u"0"_s);
        folder.setOption(u"Speak_sw"_s, u"2"_s); // only 1 checks a box
        if (damaged) {
            QFile file(folder.file());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.write(QByteArray(100, 'x')) == 100);
        }
        TestWindow w(folder);
        QCOMPARE((QStringList{w.text("Text5"), w.text("Label2"),
                              checks(&w.form, {"Check1", "Check2", "Check3"}), w.text("Combo1")})
                     .join(u'|'),
                 shown);
        QCOMPARE(w.shown("Text3"), !damaged);
        QVERIFY(!w.shown("Text6"));
        for (const char* box : {"Text1", "Text2", "Text3", "Text4", "Text6"})
            QVERIFY2(w.text(box).isEmpty(), box);
        QCOMPARE(w.items("Combo2"), (QStringList{u"選択"_s, u"登録"_s, u"削除"_s}));
        QVERIFY(w.speech.calls.isEmpty() && w.dialogs.shown.isEmpty());
        QCOMPARE(openFileCount(), 0);
    }

    // The window opens on the Speak button; Tab walks every control in order,
    // through the multi-line boxes without typing into them; Enter adds nothing to the lists.
    void keyboard()
    {
        TestFolder folder(PhraseBookContents::OptionsSample);
        TestWindow w(folder);
        w.form.show();
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        const char* const order[] = {"Command1", "Command2", "Combo1",   "Combo2",   "List1",
                                     "Text3",    "Text1",    "Command3", "Command4", "Command5",
                                     "Command6", "Command8", "Text4",    "Text5",    "Command9",
                                     "Text6",    "Check1",   "Check2",   "Text2",    "Command7",
                                     "Check3",   "Command1"};
        const auto focused = [] {
            QWidget* focus = QApplication::focusWidget();
            // An editable combo box hands the focus to its line edit.
            return qobject_cast<QComboBox*>(focus->parentWidget())
                       ? focus->parentWidget()->objectName()
                       : focus->objectName();
        };
        for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
            QCOMPARE(focused(), QLatin1String(order[i]));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(w.text("Text3") + w.text("Text6"), QString());
        for (const char* combo : {"Combo1", "Combo2"}) {
            const QStringList items = w.items(combo);
            QLineEdit* line = w.get<QComboBox>(combo)->lineEdit();
            QTest::keyClicks(line, u"typo"_s);
            QTest::keyClick(line, Qt::Key_Return);
            QCOMPARE(w.items(combo), items);
        }
    }

    // Every caption of both windows fits its control in the layout's font.
    void captionsFit()
    {
        TestFolder folder;
        TestWindow w(folder);
        for (QWidget* window : std::initializer_list<QWidget*>{&w.form, w.openSettings()}) {
            QCOMPARE(window->minimumSize(), window->maximumSize());
            for (auto* label : window->findChildren<QLabel*>())
                if (!label->wordWrap())
                    QVERIFY2(label->sizeHint().width() <= label->width(),
                             qPrintable(label->text()));
            for (auto* box : window->findChildren<QAbstractButton*>())
                if (!qobject_cast<QPushButton*>(box))
                    QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->text()));
        }
    }

    void exitEndsTheProgram()
    {
        TestFolder folder;
        TestWindow w(folder);
        QTimer::singleShot(0, &w.form, [&] { w.click("Command2"); });
        // Fails the test if the loop isn't ended within the guard's time.
        QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

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
        QTest::newRow("capitals find small letters") << Listing{ej, travel, u"MORN"_s, {u"Good morning"_s}, {}};
        QTest::newRow("question mark is one character") << Listing{ej, travel, u"h?t "_s, {u"hat shop"_s, u"hot tea"_s}, {}};
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

    // A click on a title shows it, leading ASCII spaces left out, and empties the answer; it
    // is spoken only when asked, and a speech error replaces the message. Speak says the
    // sentence, hidden or not, at a speed that must be a number; an empty one is nothing.
    void clickingATitleShowsIt()
    {
        TestFolder folder;
        folder.exec(u"INSERT INTO タイトル VALUES "
                    "('Morning', '　朝', '  Good morning.', ' おはよう。', 'c')"_s);
        TestWindow w(folder);
        w.setChecked("Check3", false);
        w.listCategory(u"c"_s);
        w.setText("Text2", u"old answer"_s);
        w.clickTitle(u"Morning"_s);
        QCOMPARE(w.text("Text4"), u"Morning"_s);
        QCOMPARE(w.text("Text3"), u"Good morning."_s);
        // Only ASCII spaces are leading spaces; the ideographic one is the user's own.
        QCOMPARE(w.text("Text6"), u"おはよう。"_s);
        QCOMPARE(w.text("Text2"), QString());
        QCOMPARE(w.text("Text5"), UiTexts::titleSelected);
        QCOMPARE(w.speech.calls, QStringList());

        w.setChecked("Check3", true);
        w.speech.failing = true;
        w.clickTitle(u"Morning"_s);
        QCOMPARE(w.speech.calls, QStringList{u"speed:180"_s});
        QCOMPARE(w.text("Text5"), UiTexts::speechFailed);

        w.form.ApplyTitleMode(TitleMode::JE);
        w.listCategory(u"c"_s);
        w.clickTitle(u"　朝"_s);
        QCOMPARE(w.text("Text4"), u"　朝"_s);

        w.speech.failing = false;
        w.speech.calls.clear();
        w.setChecked("Check1", false);
        w.setText("Text5", u"kept"_s);
        w.click("Command1");
        QCOMPARE(w.speech.calls, (QStringList{u"speed:180"_s, u"speak:Good morning."_s}));
        QCOMPARE(w.text("Text5"), u"kept"_s);
        folder.setOption(u"Speed"_s, u"fast"_s);
        w.click("Command1");
        QCOMPARE(w.text("Text5"), UiTexts::speechFailed);
        w.setText("Text3", QString());
        w.setText("Text5", u"kept"_s);
        w.click("Command1");
        QCOMPARE(w.text("Text5"), u"kept"_s);
    }

    // A title is chosen by every click, on the highlighted one too, and by the arrow keys,
    // never by focus alone; each choice speaks at the speed stored then.
    void choosingTitles()
    {
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.listCategory(u"旅行"_s);
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
    }

    // The answer must be exactly the reference: the translation in E-J, the English sentence
    // in J-E. Without sound the verdict is followed by the speech error.
    void answerCheck_data()
    {
        QTest::addColumn<Answer>("row");
        const auto ej = TitleMode::EJ, je = TitleMode::JE;
        // clang-format off
        QTest::newRow("same") << Answer{je, u"Good morning."_s, u"Good morning."_s, true, false};
        QTest::newRow("case") << Answer{je, u"Good morning."_s, u"good morning."_s, false, false};
        QTest::newRow("missing full stop") << Answer{ej, u"おはよう。"_s, u"おはよう"_s, false, false};
        QTest::newRow("right, speech error") << Answer{ej, u"はい"_s, u"はい"_s, true, true};
        QTest::newRow("trailing space, speech error") << Answer{je, u"Yes."_s, u"Yes. "_s, false, true};
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
        w.setText("Text2", row.answer);
        w.click("Command7");
        QCOMPARE(w.speech.calls, QStringList{row.right ? u"speak:well done"_s : u"speak:so bad"_s});
        const QString verdict = row.right ? UiTexts::right : UiTexts::wrong;
        QCOMPARE(w.text("Text5"),
                 row.failing ? verdict + u"　"_s + UiTexts::speechFailed : verdict);
        QCOMPARE(w.text("Text2"), row.answer);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
