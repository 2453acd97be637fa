#include "TestWindow.h"

#include <QGuiApplication>
#include <QInputMethodQueryEvent>
#include <QRadioButton>

using namespace Qt::StringLiterals;

// What an input method is told by each box: asked as it asks, with a query event to the focused
// box, right after the title mode changed under that box.
class TestImeMode : public QObject {
    Q_OBJECT

private slots:
    void focusedBoxAnswersTheInputMethod_data()
    {
        QTest::addColumn<bool>("settings");
        QTest::addColumn<QByteArray>("box");
        QTest::addColumn<TitleMode>("mode");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<Qt::InputMethodHints>("hints");
        const Qt::InputMethodHints latin = Qt::ImhLatinOnly, free = Qt::ImhNone;
        const auto EJ = TitleMode::EJ, JE = TitleMode::JE;
        QTest::newRow("main Text1 E-J") << false << "Text1"_ba << EJ << true << free;
        QTest::newRow("main Text1 J-E") << false << "Text1"_ba << JE << true << free;
        QTest::newRow("main Text2 E-J") << false << "Text2"_ba << EJ << true << free;
        QTest::newRow("main Text2 J-E") << false << "Text2"_ba << JE << false << latin;
        QTest::newRow("main Text3 E-J") << false << "Text3"_ba << EJ << false << latin;
        QTest::newRow("main Text3 J-E") << false << "Text3"_ba << JE << false << latin;
        QTest::newRow("main Text4 E-J") << false << "Text4"_ba << EJ << false << latin;
        QTest::newRow("main Text4 J-E") << false << "Text4"_ba << JE << true << free;
        QTest::newRow("main Text6 E-J") << false << "Text6"_ba << EJ << true << free;
        QTest::newRow("main Text6 J-E") << false << "Text6"_ba << JE << true << free;
        QTest::newRow("settings Text2 E-J") << true << "Text2"_ba << EJ << false << latin;
        QTest::newRow("settings Text2 J-E") << true << "Text2"_ba << JE << false << latin;
        QTest::newRow("settings Text3 E-J") << true << "Text3"_ba << EJ << false << latin;
        QTest::newRow("settings Text3 J-E") << true << "Text3"_ba << JE << false << latin;
        QTest::newRow("settings Text4 E-J") << true << "Text4"_ba << EJ << false << latin;
        QTest::newRow("settings Text4 J-E") << true << "Text4"_ba << JE << false << latin;
    }
    void focusedBoxAnswersTheInputMethod()
    {
        QFETCH(bool, settings);
        QFETCH(QByteArray, box);
        QFETCH(TitleMode, mode);
        QFETCH(bool, enabled);
        QFETCH(Qt::InputMethodHints, hints);
        TestFolder folder;
        TestWindow w(folder);
        w.form.ApplyTitleMode(mode == TitleMode::EJ ? TitleMode::JE : TitleMode::EJ);
        w.form.show();
        QWidget* window = settings ? static_cast<QWidget*>(w.openSettings()) : &w.form;
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QWidget* target = child(window, box.constData());
        target->setFocus();
        QCOMPARE(QGuiApplication::focusObject(), target);

        if (settings)
            child<QRadioButton>(window, mode == TitleMode::EJ ? "Option1" : "Option2")
                ->setChecked(true);
        else
            w.form.ApplyTitleMode(mode);
        QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImHints);
        QCoreApplication::sendEvent(QGuiApplication::focusObject(), &query);
        QCOMPARE(query.value(Qt::ImEnabled).toBool(), enabled);
        QCOMPARE(query.value(Qt::ImHints).value<Qt::InputMethodHints>(), hints);
    }
};

QTEST_MAIN(TestImeMode)
#include "tst_imemode.moc"
