#include "Form3.h"
#include "ReviewTime.h"
#include "StoreTexts.h"
#include "TestWindow.h"
#include "UiTexts.h"

#include <QApplication>
#include <QBarSeries>
#include <QBarSet>
#include <QChartView>
#include <QFile>
#include <QLineSeries>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <QValueAxis>

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

QStringList titles(const TestFolder& folder)
{
    return folder.rows(u"SELECT タイトル名_英語, タイトル名_日本語, 英文, 和訳, カテゴリ名 "
                       "FROM タイトル ORDER BY rowid"_s);
}

QStringList categories(const TestFolder& folder)
{
    return folder.rows(u"SELECT カテゴリ名 FROM カテゴリ ORDER BY rowid"_s);
}

struct Drill {
    TitleMode mode;
    bool answerHidden, typedByHand, readOnly, spoken;
    QString answer;
    QStringList logged; // the review log after the Check
    QString status;
};

// 2026-12-07T12:00:00.000Z
constexpr std::int64_t kNow = 1'796'644'800'000;
constexpr std::int64_t kDay = 86'400'000;

QStringList reviewLog(const TestFolder& folder)
{
    return folder.rows(u"SELECT タイトル名_英語, 評価, 日時 FROM 復習記録 ORDER BY rowid"_s);
}

// Where the marks of a box lie, as "from+length" each.
QStringList marksOf(QPlainTextEdit* box)
{
    QStringList marks;
    for (const QTextEdit::ExtraSelection& mark : box->extraSelections())
        marks << u"%1+%2"_s.arg(mark.cursor.selectionStart())
                     .arg(mark.cursor.selectionEnd() - mark.cursor.selectionStart());
    return marks;
}

// A chart's first series: its bars' values, or its line's points as "x:y".
QStringList barsOf(QWidget* window, const char* chart)
{
    const auto* bars =
        qobject_cast<QBarSeries*>(child<QChartView>(window, chart)->chart()->series().at(0));
    QStringList values;
    for (int i = 0; i < bars->barSets().at(0)->count(); ++i)
        values << QString::number(bars->barSets().at(0)->at(i));
    return values;
}
QStringList pointsOf(QWidget* window, const char* chart)
{
    const auto* line =
        qobject_cast<QLineSeries*>(child<QChartView>(window, chart)->chart()->series().at(0));
    QStringList points;
    for (const QPointF& point : line->points())
        points << u"%1:%2"_s.arg(point.x()).arg(point.y());
    return points;
}

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

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    // Start-up shows what the options say, lists the categories, empties the boxes and says
    // nothing.
    void startUp()
    {
        TestFolder folder(PhraseBookContents::OptionsSample);
        folder.setOption(u"Title_sw"_s, u"2"_s);
        folder.setOption(u"English"_s, u"0"_s);
        folder.setOption(u"Japanese"_s, u"0"_s);
        folder.setOption(u"Speak_sw"_s, u"2"_s); // only 1 checks a box
        TestWindow w(folder);
        QCOMPARE(w.text("Label2"), u"J-E"_s);
        QCOMPARE(checks(&w.form, {"Check1", "Check2", "Check3"}), u"000"_s);
        QVERIFY(!w.shown("Text3") && !w.shown("Text6"));
        QCOMPARE(w.text("Combo1"), u"あいさつ"_s);
        for (const char* box : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"})
            QVERIFY2(w.text(box).isEmpty(), box);
        QCOMPARE(w.items("Combo2"),
                 (QStringList{u"選択"_s, u"登録"_s, u"削除"_s, u"復習"_s, u"成績"_s}));
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
        for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
            // An editable combo box hands the focus to its line edit.
            QWidget* focus = QApplication::focusWidget();
            QVERIFY2(focus == w.get<QWidget>(order[i]) ||
                         focus->parentWidget() == w.get<QWidget>(order[i]),
                     order[i]);
            QTest::keyClick(focus, Qt::Key_Tab);
        }
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
        QTest::newRow("set with a range, any case") << Listing{ej, travel, u"H[A-O]T"_s, {u"hat shop"_s, u"hot tea"_s}, {}};
        QTest::newRow("negated set, star inside") << Listing{ej, travel, u"h[!o]t*p"_s, {u"hat shop"_s}, {}};
        QTest::newRow("hash is one digit") << Listing{ej, travel, u"#"_s, {}, none};
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
        QTest::newRow("case") << Answer{ej, u"OK です。"_s, u"ok です。"_s, false, false};
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

    // A Check records a review of the title chosen in the list, right or wrong, only while its
    // answer side is hidden and, in J-E, its sentence wasn't spoken; boxes typed by hand are no
    // title. A review that can't be kept is
    // said after the verdict.
    void checkRecordsAReview_data()
    {
        QTest::addColumn<Drill>("row");
        const auto ej = TitleMode::EJ, je = TitleMode::JE;
        const QString at = u"2026-12-07T12:00:00.000Z"_s, right = UiTexts::right;
        // clang-format off
        QTest::newRow("E-J, right, sentence spoken") << Drill{ej, true, false, false, true, u"空港まで。"_s, {u"Airport|3|"_s + at}, right};
        QTest::newRow("J-E, wrong") << Drill{je, true, false, false, false, u"To the airport"_s, {u"Airport|1|"_s + at}, UiTexts::wrong};
        QTest::newRow("J-E, answer heard") << Drill{je, true, false, false, true, u"To the airport."_s, {}, right};
        QTest::newRow("answer in view") << Drill{ej, false, false, false, false, u"空港まで。"_s, {}, right};
        QTest::newRow("typed by hand") << Drill{ej, true, true, false, false, u"空港まで。"_s, {}, right};
        QTest::newRow("read-only book") << Drill{ej, true, false, true, false, u"空港まで。"_s, {}, right + u"　"_s + StoreTexts::recordReviewFailed};
        // clang-format on
    }
    void checkRecordsAReview()
    {
        QFETCH(Drill, row);
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.form.setClock([] { return kNow; });
        w.form.ApplyTitleMode(row.mode);
        w.setChecked("Check3", row.spoken);
        const bool ej = row.mode == TitleMode::EJ;
        w.setChecked(ej ? "Check2" : "Check1", !row.answerHidden);
        if (row.typedByHand) {
            w.typeTitle(u"旅行"_s, ej ? u"Airport"_s : u"空港"_s, u"To the airport."_s,
                        u"空港まで。"_s);
        } else {
            w.listCategory(u"旅行"_s);
            w.clickTitle(ej ? u"Airport"_s : u"空港"_s);
        }
        QVERIFY(folder.setReadOnly(row.readOnly));
        const auto writable = qScopeGuard([&] { folder.setReadOnly(false); });
        w.setText("Text2", row.answer);
        w.click("Command7");
        QCOMPARE(w.text("Text5"), row.status);
        QCOMPARE(reviewLog(folder), row.logged);
        QCOMPARE(openFileCount(), 0);
    }

    // 復習 lists the category's titles that are due, the most overdue first, then at most 20
    // never reviewed; with no category, the whole book's. A title chosen from it hides its
    // answer side, and in J-E isn't spoken, until the Check shows it again.
    void review()
    {
        TestFolder folder;
        folder.addTitles();
        folder.exec(u"INSERT INTO カテゴリ VALUES ('多い');"
                    "WITH RECURSIVE n(i) AS (SELECT 10 UNION ALL SELECT i + 1 FROM n WHERE i < 34) "
                    "INSERT INTO タイトル SELECT 'word ' || i, '語 ' || i, 'W.', '語。', '多い' "
                    "FROM n"_s);
        const auto remember = [&](const char* title, int dueInDays) {
            folder.exec(
                u"INSERT INTO 記憶 VALUES ('%1', 3, 5, '%2', '2026-01-01T00:00:00.000Z', "
                "1, 0)"_s.arg(QLatin1String(title), formatReviewTime(kNow + dueInDays * kDay)));
        };
        remember("hot tea", -1);
        remember("Airport", -2);
        remember("Good morning", 1);
        remember("Deadline", -3);
        TestWindow w(folder);
        w.form.setClock([] { return kNow; });
        w.setText("Combo1", u"旅行"_s);
        w.setText("Combo2", u"復習"_s);
        w.click("Command3");
        QCOMPARE(w.items("List1"), (QStringList{u"Airport"_s, u"hot tea"_s, u"hat shop"_s}));
        QCOMPARE(w.text("Label5") + w.text("Text5"), u"3"_s + StoreTexts::dueTitles(2, 1));

        w.clickTitle(u"Airport"_s);
        QVERIFY(!w.shown("Text6") && w.shown("Text3"));
        QCOMPARE(w.speech.calls.last(), u"speak:To the airport."_s);
        w.setText("Text2", u"空港まで。"_s);
        w.click("Command7");
        QVERIFY(w.shown("Text6"));
        QCOMPARE(reviewLog(folder).size(), 1);

        w.form.ApplyTitleMode(TitleMode::JE);
        w.setText("Combo1", QString());
        w.click("Command3");
        QCOMPARE(w.items("List1").mid(0, 5),
                 (QStringList{u"締め切り"_s, u"あついお茶"_s, u"ぼうし屋"_s, u"わたしの"_s,
                              u"語 10"_s}));
        QCOMPARE(w.text("Label5") + w.text("Text5"), u"22"_s + StoreTexts::dueTitles(2, 20));
        w.speech.calls.clear();
        w.clickTitle(u"締め切り"_s);
        QVERIFY(!w.shown("Text3") && w.shown("Text6"));
        QCOMPARE(w.speech.calls, QStringList());

        w.setText("Combo1", u"多い"_s);
        w.click("Command3");
        QCOMPARE(w.text("Label5") + w.text("Text5"), u"20"_s + StoreTexts::dueTitles(0, 20));
        w.setText("Combo1", u"空"_s);
        w.click("Command3");
        QCOMPARE(w.text("Label5") + w.text("Text5"), u"0"_s + StoreTexts::nothingDue);
        // Listing again leaves the review: both sides show as the check boxes say.
        w.listCategory(u"旅行"_s);
        QVERIFY(w.shown("Text3") && w.shown("Text6"));
    }

    // 成績 opens the statistics of the category, or of the whole book, in a window of its own,
    // one at a time, and leaves the list as it was; a book that can't be read opens none.
    void stats()
    {
        TestFolder folder;
        folder.addTitles();
        folder.exec(
            u"INSERT INTO 記憶 VALUES"
            " ('Good morning', 20.99, 5, '2026-12-01T00:00:00.000Z', '', 2, 1),"
            " ('hat shop', 21, 5, '2026-12-09T00:00:00.000Z', '', 1, 0),"
            " ('Deadline', 5, 5, '2026-12-08T00:00:00.000Z', '', 1, 0);"
            "INSERT INTO 復習記録 VALUES ('hat shop', 3, '2026-12-07T11:00:00.000Z', '旅行'),"
            " ('Good morning', 1, '2026-12-06T00:00:00.000Z', '旅行'),"
            " ('Good morning', 3, '2026-11-20T00:00:00.000Z', '旅行')"_s);
        TestWindow w(folder);
        w.form.setClock([] { return kNow; });
        w.listCategory(u"旅行"_s);
        const QStringList listed = w.items("List1");
        w.setText("Combo2", u"成績"_s);
        w.click("Command3");
        QPointer<Form3> window = w.form.findChild<Form3*>();
        QVERIFY(window && window->isVisible() && !window->isModal());
        QCOMPARE(w.items("List1"), listed);
        QCOMPARE(textOf(window, "Label1"),
                 u"旅行：タイトル 4件（新規 2件、学習中 1件、定着 1件）。今日の復習 1件、30日間で "
                 "2件。\n過去26週の正答率 66.7％（3回中 2回正解、目標 90％）。"_s);
        QCOMPARE(barsOf(window, "Chart1"), (QStringList{u"2"_s, u"1"_s, u"1"_s}));
        QStringList forecast(30, u"0"_s);
        forecast[0] = forecast[2] = u"1"_s;
        QCOMPARE(barsOf(window, "Chart2"), forecast);
        // A count axis ticks whole numbers only: under a largest count of 1, just 0 and 1.
        const auto* dueAxis = qobject_cast<QValueAxis*>(
            child<QChartView>(window, "Chart2")->chart()->axes(Qt::Vertical).at(0));
        QCOMPARE(dueAxis->max() / dueAxis->tickInterval(), 1.0);
        QCOMPARE(pointsOf(window, "Chart3"), (QStringList{u"-2:100"_s, u"0:50"_s}));
        // The figures and every caption fit their labels, wrapped.
        for (const char* name : {"Label1", "Label2", "Label3", "Label4"}) {
            const auto* label = child<QLabel>(window, name);
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(), name);
        }

        w.setText("Combo1", QString());
        w.click("Command3");
        QCOMPARE(w.form.findChildren<Form3*>().size(), 1);
        QVERIFY(textOf(window, "Label1").startsWith(u"全カテゴリ：タイトル 6件"_s));

        child<QPushButton>(window, "Command1")->click();
        QVERIFY(!window || window->isHidden());
        QFile::remove(folder.file());
        w.click("Command3");
        QCOMPARE(w.text("Text5"), StoreTexts::fileMissing);
        for (const Form3* other : w.form.findChildren<Form3*>())
            QVERIFY(other->isHidden());
    }

    // After a wrong answer the right answer's missing characters are marked where it is shown,
    // nothing moving; the marks go with the next text.
    void wrongAnswerShowsWhereItWentWrong()
    {
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        QList<QRect> places;
        const auto controls = w.form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (const QWidget* control : controls)
            places << control->geometry();
        w.listCategory(u"旅行"_s);
        w.clickTitle(u"Airport"_s);
        w.setText("Text2", u"空港へ。"_s);
        w.click("Command7");
        auto* translation = w.get<QPlainTextEdit>("Text6");
        QCOMPARE(marksOf(translation), QStringList{u"2+2"_s});
        w.setText("Text2", QString());
        w.click("Command7");
        QCOMPARE(marksOf(translation), QStringList{u"0+5"_s});
        w.clickTitle(u"hot tea"_s);
        QCOMPARE(marksOf(translation), QStringList());
        QList<QRect> after;
        for (const QWidget* control : controls)
            after << control->geometry();
        QCOMPARE(after, places);
    }

    // A category is added, or goes with its titles or on its own; the lists are read again and
    // the action goes back to listing.
    void categoryEdits()
    {
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.form.ApplyTitleMode(TitleMode::JE);
        w.listCategory(u"旅行"_s);
        w.categoryAction(u"買い物"_s, u"登録"_s);
        QCOMPARE(w.items("Combo1"),
                 (QStringList{u"旅行"_s, u"仕事"_s, u"Don't"_s, u"空"_s, u"買い物"_s}));
        QCOMPARE(w.text("Combo1") + w.text("Combo2"), u"旅行選択"_s);
        QCOMPARE(w.items("List1"), QStringList());
        w.listCategory(u"旅行"_s);
        w.categoryAction(u"旅行"_s, u"削除"_s);
        QCOMPARE(w.items("List1"), QStringList());
        w.categoryAction(u"空"_s, u"削除"_s);
        QCOMPARE(w.items("Combo1"), (QStringList{u"仕事"_s, u"Don't"_s, u"買い物"_s}));
        QCOMPARE(w.text("Combo1") + w.text("Combo2"), u"仕事選択"_s);
        QCOMPARE(categories(folder), w.items("Combo1"));
        QCOMPARE(titles(folder).size(), 2);
        QCOMPARE(w.text("Text5"), QString());
        QCOMPARE(w.dialogs.shown, (QStringList{u"ask:確認!:買い物"_s + UiTexts::askAdd,
                                               u"ask:確認!:旅行"_s + UiTexts::askDeleteCategory,
                                               u"ask:確認!:空"_s + UiTexts::askDeleteCategory}));
    }

    // Register stores the title typed and the one answered with their apostrophes, the
    // English title's made typographic, empties the boxes and lists the category again. Update
    // rewrites the sentence, translation and category (named in any case of its letters) and
    // lists the category it went to. Deleting a category's last title says it is empty.
    void titleEdits()
    {
        TestFolder folder;
        folder.addTitles();
        TestWindow w(folder);
        w.dialogs.answers = {true, true, true, true, true};
        w.dialogs.inputs = {u"止まらない'で"_s, u"It's mine too"_s};
        w.typeTitle(u"旅行"_s, u"Don't stop"_s, u"Don't stop."_s, u"止まらないで。"_s);
        w.click("Command4");
        QCOMPARE(titles(folder).last(),
                 u"Don’t stop|止まらない'で|Don't stop.|止まらないで。|旅行"_s);
        for (const char* box : {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"})
            QVERIFY2(w.text(box).isEmpty(), box);
        QVERIFY(w.items("List1").contains(u"Don’t stop"_s));
        w.form.ApplyTitleMode(TitleMode::JE);
        w.typeTitle(u"旅行"_s, u"私の'本"_s, u"It's my book."_s, u"私の本です。"_s);
        w.click("Command4");
        QCOMPARE(titles(folder).last(), u"It’s mine too|私の'本|It's my book.|私の本です。|旅行"_s);

        w.form.ApplyTitleMode(TitleMode::EJ);
        w.typeTitle(u"仕事"_s, u"airport"_s, QString(), u"空港へ。"_s);
        w.click("Command5");
        QCOMPARE(titles(folder)[2], u"Airport|空港| |空港へ。|仕事"_s);
        QCOMPARE(w.text("Text3"), u" "_s);
        QCOMPARE(w.text("Text4"), u"airport"_s);
        QCOMPARE(w.items("List1"), (QStringList{u"Airport"_s, u"Deadline"_s}));
        QCOMPARE(w.text("Text5"), StoreTexts::updated);
        w.typeTitle(u"DON'T"_s, u"airport"_s, u"A."_s, u"空港へ。"_s);
        w.click("Command5");
        QCOMPARE(titles(folder)[2], u"Airport|空港|A.|空港へ。|DON'T"_s);
        QCOMPARE(w.items("List1"), (QStringList{u"Airport"_s, u"It’s mine"_s}));

        w.form.ApplyTitleMode(TitleMode::JE);
        w.typeTitle(u"仕事"_s, u"締め切り"_s, u"x"_s, u"y"_s);
        w.click("Command6");
        QCOMPARE(titles(folder).size(), 7);
        QCOMPARE(w.text("Text5"), StoreTexts::noTitlesIn(u"仕事"_s));
        QCOMPARE(w.dialogs.shown, (QStringList{u"ask:確認！:Don't stop を登録しますか？"_s,
                                               u"input:"_s + StoreTexts::askJapaneseTitle,
                                               u"ask:確認！:私の'本 を登録しますか？"_s,
                                               u"input:"_s + StoreTexts::askEnglishTitle,
                                               u"ask:確認！:airport を更新しますか？"_s,
                                               u"ask:確認！:airport を更新しますか？"_s,
                                               u"ask:確認！:締め切り を削除しますか？"_s}));
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

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
