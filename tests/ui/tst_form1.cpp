#include "ImeMode.h"
#include "StoreTexts.h"
#include "TestFolder.h"
#include "TestWindow.h"

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
    void tabOrderStartsAtSpeakAndRunsAsDesigned()
    {
        TestFolder folder;
        TestWindow w(folder);
        const QStringList expected = {u"Command1"_s, u"Command2"_s, u"Combo1"_s,   u"Combo2"_s,
                                      u"List1"_s,    u"Text3"_s,    u"Text1"_s,    u"Command3"_s,
                                      u"Command4"_s, u"Command5"_s, u"Command6"_s, u"Command8"_s,
                                      u"Text4"_s,    u"Text5"_s,    u"Command9"_s, u"Text6"_s,
                                      u"Check1"_s,   u"Check2"_s,   u"Text2"_s,    u"Command7"_s,
                                      u"Check3"_s};
        QStringList order;
        QWidget* widget = w.get<QWidget>("Command1");
        do {
            if (widget->focusPolicy() & Qt::TabFocus)
                order << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != w.get<QWidget>("Command1") && order.size() < 40);
        order.removeAll(QString()); // the inner parts of composite controls
        order.removeAll(u"Form1"_s);
        QCOMPARE(order, expected);
    }

    void startUpOnTheSampleBook()
    {
        TestFolder folder(PhraseBookContents::OptionsSample);
        TestWindow w(folder);
        auto* actions = w.get<QComboBox>("Combo2");
        QCOMPARE(actions->currentText(), u"選択"_s);
        QCOMPARE(actions->count(), 3);
        QCOMPARE(actions->itemText(0), u"選択"_s);
        QCOMPARE(actions->itemText(1), u"登録"_s);
        QCOMPARE(actions->itemText(2), u"削除"_s);
        for (const char* box : kTextBoxes)
            QVERIFY2(w.text(box).isEmpty(), box);
        QCOMPARE(w.get<QComboBox>("Combo1")->count(), 5);
        QCOMPARE(w.text("Combo1"), w.get<QComboBox>("Combo1")->itemText(0));
        QCOMPARE(w.text("Label2"), u"E-J"_s);
        QVERIFY(w.checked("Check1") && w.checked("Check2") && w.checked("Check3"));
        QVERIFY(w.shown("Text3") && w.shown("Text6"));
        QVERIFY(w.speech.calls.isEmpty());
        QVERIFY(w.dialogs.shown.isEmpty());
        QCOMPARE(w.form.windowTitle(), u"WORDLARK Ver.1.02"_s);
        QCOMPARE(w.form.minimumSize(), w.form.maximumSize());
    }

    // Start-up survives every state of the file; what it shows follows the options that
    // could be read.
    void startUpSurvives_data()
    {
        QTest::addColumn<QString>("setup"); // SQL, or "missing" / "damaged"
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("checks"); // Check1, Check2, Check3 as 0/1
        QTest::addColumn<QString>("category");
        QTest::newRow("missing file")
            << u"missing"_s << StoreTexts::fileMissing << u"E-J"_s << u"000"_s << u"Combo1"_s;
        QTest::newRow("damaged file")
            << u"damaged"_s << StoreTexts::fileDamaged << u"E-J"_s << u"000"_s << u"Combo1"_s;
        QTest::newRow("no option rows, no categories")
            << u"DELETE FROM オプション"_s << StoreTexts::noCategories << u"E-J"_s << u"000"_s
            << u"Combo1"_s;
        QTest::newRow("J-E stored as 2")
            << u"UPDATE オプション SET Option_Value = '2' WHERE Option_Name = 'Title_sw'"_s
            << StoreTexts::noCategories << u"J-E"_s << u"111"_s << u"Combo1"_s;
        QTest::newRow("J-E stored as 0")
            << u"UPDATE オプション SET Option_Value = '0' WHERE Option_Name = 'Title_sw'"_s
            << StoreTexts::noCategories << u"J-E"_s << u"111"_s << u"Combo1"_s;
        QTest::newRow("empty title mode reads as E-J")
            << u"UPDATE オプション SET Option_Value = '' WHERE Option_Name = 'Title_sw'"_s
            << StoreTexts::noCategories << u"E-J"_s << u"111"_s << u"Combo1"_s;
        QTest::newRow("flags off, speak not a number")
            << u"UPDATE オプション SET Option_Value = '0' WHERE Option_Name IN ('English', "
               "'Japanese'); UPDATE オプション SET Option_Value = 'abc' WHERE Option_Name = "
               "'Speak_sw'; INSERT INTO カテゴリ VALUES ('Work')"_s
            << QString() << u"E-J"_s << u"000"_s << u"Work"_s;
        QTest::newRow("speak stored as 2 stays off")
            << u"UPDATE オプション SET Option_Value = '2' WHERE Option_Name = 'Speak_sw'"_s
            << StoreTexts::noCategories << u"E-J"_s << u"110"_s << u"Combo1"_s;
    }
    void startUpSurvives()
    {
        QFETCH(QString, setup);
        QFETCH(QString, status);
        QFETCH(QString, mode);
        QFETCH(QString, checks);
        QFETCH(QString, category);
        TestFolder folder;
        if (setup == u"missing"_s) {
            QFile::remove(folder.file());
        } else if (setup == u"damaged"_s) {
            QFile file(folder.file());
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(0);
            file.write(QByteArray(100, 'x'));
        } else {
            folder.exec(setup);
        }
        TestWindow w(folder);
        QCOMPARE(w.text("Text5"), status);
        QCOMPARE(w.text("Label2"), mode);
        const QString actual = QString::number(w.checked("Check1")) +
                               QString::number(w.checked("Check2")) +
                               QString::number(w.checked("Check3"));
        QCOMPARE(actual, checks);
        QCOMPARE(w.shown("Text3"), w.checked("Check1"));
        QCOMPARE(w.shown("Text6"), w.checked("Check2"));
        QCOMPARE(w.text("Combo1"), category);
        QCOMPARE(openFileCount(), 0);
    }

    void titleModeSetsHeadingsAndInputMethods_data()
    {
        QTest::addColumn<TitleMode>("mode");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QList<int>>("modes"); // Text2, Text4, Text1
        QTest::newRow("E-J") << TitleMode::EJ << u"解答欄（日本語）"_s << u"E-J"_s
                             << QList<int>{0, 3, 0};
        QTest::newRow("J-E") << TitleMode::JE << u"解答欄（英語）"_s << u"J-E"_s
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
        for (const char* box : kTextBoxes) {
            if (auto* line = w.form.findChild<QLineEdit*>(QLatin1String(box)))
                line->setText(u"x"_s);
            else
                w.get<QPlainTextEdit>(box)->setPlainText(u"x"_s);
        }
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
