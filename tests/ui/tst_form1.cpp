#include "StoreTexts.h"
#include "TestWindow.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    // Start-up survives a damaged file; what it shows follows the options that could be read.
    // It empties the boxes, lists the categories and says nothing.
    void startUp_data()
    {
        // "sample" or "damaged", then option values as name=value.
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("checks"); // Check1, Check2, Check3 as 0/1
        QTest::addColumn<QString>("category");
        // clang-format off
        QTest::newRow("sample book") << u"sample"_s << QString() << u"E-J"_s << u"111"_s << u"あいさつ"_s;
        QTest::newRow("damaged file") << u"damaged"_s << StoreTexts::fileDamaged << u"E-J"_s << u"000"_s << u"Combo1"_s;
        QTest::newRow("J-E, flags not 1") << u"sample Title_sw=2 English=0 Japanese=0 Speak_sw=2"_s << QString() << u"J-E"_s << u"000"_s << u"あいさつ"_s;
        // clang-format on
    }
    void startUp()
    {
        QFETCH(QString, setup);
        QFETCH(QString, status);
        QFETCH(QString, mode);
        QFETCH(QString, checks);
        QFETCH(QString, category);
        TestFolder folder(PhraseBookContents::OptionsSample);
        if (setup == u"damaged"_s) {
            QFile file(folder.file());
            QVERIFY(file.open(QIODevice::ReadWrite) && file.write(QByteArray(100, 'x')) == 100);
        }
        for (const QString& option : setup.split(u' ').filter(u"="_s))
            folder.setOption(option.section(u'=', 0, 0), option.section(u'=', 1));
        TestWindow w(folder);
        QCOMPARE(w.text("Text5"), status);
        QCOMPARE(w.text("Label2"), mode);
        QCOMPARE(::checks(&w.form, {"Check1", "Check2", "Check3"}), checks);
        QCOMPARE(QString::number(w.shown("Text3")) + QString::number(w.shown("Text6")),
                 checks.left(2));
        QCOMPARE(w.text("Combo1"), category);
        for (const char* box : {"Text1", "Text2", "Text3", "Text4", "Text6"})
            QVERIFY2(w.text(box).isEmpty(), box);
        QCOMPARE(w.items("Combo2"), (QStringList{u"選択"_s, u"登録"_s, u"削除"_s}));
        QVERIFY(w.speech.calls.isEmpty() && w.dialogs.shown.isEmpty());
        QCOMPARE(openFileCount(), 0);
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
        for (std::size_t i = std::size(order) - 1; i > 0; --i) {
            QCOMPARE(focused(), QLatin1String(order[i]));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
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
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
