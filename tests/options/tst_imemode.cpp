#include "TestWindow.h"

#include <QGuiApplication>
#include <QInputMethodQueryEvent>
#include <QRadioButton>

// What an input method is told by each box: asked as it asks, with a query event to the focused
// box, right after the title mode changed under that box. A box takes Japanese or only Latin
// letters.
class TestImeMode : public QObject {
    Q_OBJECT

private slots:
    void focusedBoxAnswersTheInputMethod_data()
    {
        QTest::addColumn<bool>("settings");
        QTest::addColumn<QByteArray>("box");
        QTest::addColumn<TitleMode>("mode");
        QTest::addColumn<bool>("latin");
        // Latin only in E-J, then in J-E.
        const std::tuple<bool, const char*, const char*> boxes[] = {
            {false, "Text1", "00"}, {false, "Text2", "01"}, {false, "Text3", "11"},
            {false, "Text4", "10"}, {false, "Text6", "00"}, {true, "Text2", "11"},
            {true, "Text3", "11"},  {true, "Text4", "11"}};
        for (const auto& [settings, box, latin] : boxes) {
            for (const TitleMode mode : {TitleMode::EJ, TitleMode::JE}) {
                const bool je = mode == TitleMode::JE;
                QTest::addRow("%s %s %s", settings ? "settings" : "main", box, je ? "J-E" : "E-J")
                    << settings << QByteArray(box) << mode << (latin[je] == '1');
            }
        }
    }
    void focusedBoxAnswersTheInputMethod()
    {
        QFETCH(bool, settings);
        QFETCH(QByteArray, box);
        QFETCH(TitleMode, mode);
        QFETCH(bool, latin);
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
        QCOMPARE(query.value(Qt::ImEnabled).toBool(), !latin);
        QCOMPARE(target->testAttribute(Qt::WA_InputMethodEnabled), !latin);
        QCOMPARE(query.value(Qt::ImHints).value<Qt::InputMethodHints>(),
                 latin ? Qt::ImhLatinOnly : Qt::ImhNone);
    }
};

QTEST_MAIN(TestImeMode)
#include "tst_imemode.moc"
