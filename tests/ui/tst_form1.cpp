#include "ImeMode.h"
#include "StoreTexts.h"
#include "TestFolder.h"
#include "TestWindow.h"
#include "UiTexts.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const char* const kTextBoxes[] = {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6"};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    // Start-up survives every state of the file; what it shows follows the options that
    // could be read. It empties the boxes, lists the categories and says nothing.
    void startUp_data()
    {
        // "sample", "missing", "damaged" or "no options", then option values as name=value.
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("checks"); // Check1, Check2, Check3 as 0/1
        QTest::addColumn<QString>("category");
        const QString none = StoreTexts::noCategories;
        auto row = [](const char* name, const QString& setup, const QString& status,
                      const QString& mode, const QString& checks, const QString& category) {
            QTest::newRow(name) << setup << status << mode << checks << category;
        };
        row("sample book", u"sample"_s, {}, u"E-J"_s, u"111"_s, u"あいさつ"_s);
        row("missing file", u"missing"_s, StoreTexts::fileMissing, u"E-J"_s, u"000"_s, u"Combo1"_s);
        row("damaged file", u"damaged"_s, StoreTexts::fileDamaged, u"E-J"_s, u"000"_s, u"Combo1"_s);
        row("no option rows, no categories", u"no options"_s, none, u"E-J"_s, u"000"_s,
            u"Combo1"_s);
        row("J-E stored as 2", u"Title_sw=2"_s, none, u"J-E"_s, u"111"_s, u"Combo1"_s);
        row("J-E stored as 0", u"Title_sw=0"_s, none, u"J-E"_s, u"111"_s, u"Combo1"_s);
        row("empty title mode reads as E-J", u"Title_sw="_s, none, u"E-J"_s, u"111"_s, u"Combo1"_s);
        row("flags off, speak not a number", u"sample English=0 Japanese=0 Speak_sw=abc"_s, {},
            u"E-J"_s, u"000"_s, u"あいさつ"_s);
        row("speak stored as 2 stays off", u"Speak_sw=2"_s, none, u"E-J"_s, u"110"_s, u"Combo1"_s);
    }
    void startUp()
    {
        QFETCH(QString, setup);
        QFETCH(QString, status);
        QFETCH(QString, mode);
        QFETCH(QString, checks);
        QFETCH(QString, category);
        TestFolder folder(setup.startsWith(u"sample"_s) ? PhraseBookContents::OptionsSample
                                                        : PhraseBookContents::Options);
        if (setup == u"missing"_s) {
            QFile::remove(folder.file());
        } else if (setup == u"damaged"_s) {
            QFile file(folder.file());
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.write(QByteArray(100, 'x'));
        } else if (setup == u"no options"_s) {
            folder.exec(u"DELETE FROM オプション"_s);
        }
        for (const QString& option : setup.split(u' ').filter(u"="_s))
            folder.setOption(option.section(u'=', 0, 0), option.section(u'=', 1));
        TestWindow w(folder);
        QCOMPARE(w.text("Text5"), status);
        QCOMPARE(w.text("Label2"), mode);
        QCOMPARE(::checks(&w.form, {"Check1", "Check2", "Check3"}), checks);
        QCOMPARE(w.shown("Text3"), w.checked("Check1"));
        QCOMPARE(w.shown("Text6"), w.checked("Check2"));
        QCOMPARE(w.text("Combo1"), category);
        QCOMPARE(openFileCount(), 0);
        for (const char* box : {"Text1", "Text2", "Text3", "Text4", "Text6"})
            QVERIFY2(w.text(box).isEmpty(), box);
        QCOMPARE(w.text("Combo2"), u"選択"_s);
        QCOMPARE(w.items("Combo2"), (QStringList{u"選択"_s, u"登録"_s, u"削除"_s}));
        QVERIFY(w.speech.calls.isEmpty() && w.dialogs.shown.isEmpty());
        QCOMPARE(w.form.minimumSize(), w.form.maximumSize());
    }

    void titleModeSetsHeadingsAndInputMethods_data()
    {
        QTest::addColumn<TitleMode>("mode");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QList<int>>("modes"); // Text2, Text4, Text1
        QTest::newRow("E-J") << TitleMode::EJ << UiTexts::answerInJapanese << u"E-J"_s
                             << QList<int>{0, 3, 0};
        QTest::newRow("J-E") << TitleMode::JE << UiTexts::answerInEnglish << u"J-E"_s
                             << QList<int>{3, 1, 1};
    }
    void titleModeSetsHeadingsAndInputMethods()
    {
        QFETCH(TitleMode, mode);
        QFETCH(QString, heading);
        QFETCH(QString, caption);
        QFETCH(QList<int>, modes);
        TestFolder folder;
        TestWindow w(folder);
        w.form.ApplyTitleMode(mode == TitleMode::EJ ? TitleMode::JE : TitleMode::EJ);
        w.form.ApplyTitleMode(mode);
        QCOMPARE(w.text("Label1"), heading);
        QCOMPARE(w.text("Label2"), caption);
        QList<int> actual;
        for (const char* box : {"Text2", "Text4", "Text1"}) {
            const auto* widget = w.get<QWidget>(box);
            actual << static_cast<int>(imeModeOf(widget));
            QCOMPARE(widget->testAttribute(Qt::WA_InputMethodEnabled),
                     imeModeOf(widget) != ImeMode::Disabled);
        }
        QCOMPARE(actual, modes);
        QCOMPARE(imeModeOf(w.get<QWidget>("Text3")), ImeMode::Disabled);
        QCOMPARE(imeModeOf(w.get<QWidget>("Text6")), ImeMode::On);
    }

    // The show/hide boxes change only the window: texts stay, options stay.
    void checkBoxesShowAndHide()
    {
        TestFolder folder;
        TestWindow w(folder);
        w.get<QPlainTextEdit>("Text3")->setPlainText(u"Hello."_s);
        w.click("Check1");
        QVERIFY(!w.shown("Text3"));
        QCOMPARE(w.text("Text3"), u"Hello."_s);
        w.click("Check2");
        QVERIFY(!w.shown("Text6"));
        w.click("Check1");
        QVERIFY(w.shown("Text3"));
        QCOMPARE(folder.rows(u"SELECT Option_Value FROM オプション WHERE Option_Name IN "
                             "('English', 'Japanese')"_s),
                 (QStringList{u"1"_s, u"1"_s}));
    }

    void clearEmptiesTheSixBoxesOnly()
    {
        TestFolder folder(PhraseBookContents::OptionsSample);
        TestWindow w(folder);
        for (const char* box : kTextBoxes)
            w.setText(box, u"x"_s);
        w.get<TitleList>("List1")->addItems({u"title"_s});
        w.get<QLabel>("Label5")->setText(u"1"_s);
        const QString category = w.text("Combo1");
        w.click("Command8");
        for (const char* box : kTextBoxes)
            QVERIFY2(w.text(box).isEmpty(), box);
        QCOMPARE(w.get<TitleList>("List1")->count(), 1);
        QCOMPARE(w.text("Label5"), u"1"_s);
        QCOMPARE(w.text("Combo1"), category);
        QCOMPARE(w.text("Combo2"), u"選択"_s);
    }

    // The window opens on the Speak button; Tab and Shift+Tab walk every control in order,
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
        const auto focused = [&] {
            QWidget* focus = QApplication::focusWidget();
            // An editable combo box hands the focus to its line edit.
            return focus && qobject_cast<QComboBox*>(focus->parentWidget())
                       ? focus->parentWidget()->objectName()
                   : focus ? focus->objectName()
                           : QString();
        };
        for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
            QCOMPARE(focused(), QLatin1String(order[i]));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        for (std::size_t i = std::size(order) - 1; i > 0; --i) {
            QCOMPARE(focused(), QLatin1String(order[i]));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        }
        QCOMPARE(w.text("Text3") + w.text("Text6"), QString());

        for (const char* combo : {"Combo1", "Combo2"}) {
            const QStringList items = w.items(combo);
            auto* box = w.get<QComboBox>(combo);
            box->setFocus();
            box->lineEdit()->selectAll();
            QTest::keyClicks(box->lineEdit(), u"typo"_s);
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            QCOMPARE(w.items(combo), items);
        }
    }

    // Every caption of both windows fits its control in the layout's font.
    void captionsFit()
    {
        TestFolder folder;
        TestWindow w(folder);
        for (QWidget* window :
             {static_cast<QWidget*>(&w.form), static_cast<QWidget*>(w.openSettings())}) {
            for (auto* label : window->findChildren<QLabel*>()) {
                if (!label->wordWrap() && !label->text().isEmpty())
                    QVERIFY2(label->sizeHint().width() <= label->width(),
                             qPrintable(label->text()));
            }
            for (auto* box : window->findChildren<QAbstractButton*>()) {
                if (!qobject_cast<QPushButton*>(box))
                    QVERIFY2(box->sizeHint().width() <= box->width(), qPrintable(box->text()));
            }
        }
    }

    void exitEndsTheProgram()
    {
        TestFolder folder;
        TestWindow w(folder);
        w.form.show();
        QTimer::singleShot(0, &w.form, [&] { w.click("Command2"); });
        // Fails the test if the loop isn't ended within the guard's time.
        QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
