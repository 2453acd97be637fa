#include "TestWindow.h"

#include <QProcess>

using namespace Qt::StringLiterals;

class TestInstall : public QObject {
    Q_OBJECT

private slots:
    // The installed program's first start for a new user makes that user's phrase book from
    // the template; the window then edits that file and leaves the template as installed.
    void newUserEditsOwnBook()
    {
        const QString prefix = QStringLiteral(INSTALL_PREFIX);
        const QString bookTemplate = prefix + u"/share/wordlark/wordlark.mdb"_s;
        QVERIFY(!(QFileInfo(bookTemplate).permissions() &
                  (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther)));
        // The voice process lies where the installed program looks for it.
        QVERIFY(QFileInfo(prefix + u"/bin/"_s + QStringLiteral(VOICE_FROM_BIN)).isExecutable());
        QTemporaryDir home;
        const QString dataFolder = home.filePath(u".local/share/wordlark"_s);
        const QString own = dataFolder + u"/wordlark.mdb"_s;

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, home.path());
        env.remove(u"XDG_DATA_HOME"_s);
        program.setProcessEnvironment(env);
        program.start(prefix + u"/bin/wordlark"_s);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(own), 60000);
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished();

        const QString titles = u"SELECT * FROM タイトル ORDER BY rowid"_s;
        const QStringList installed = rowsOf(bookTemplate, titles);
        QVERIFY(!installed.isEmpty());
        QCOMPARE(rowsOf(own, titles), installed);

        TestWindow w(BookPlaces(prefix + u"/bin"_s, dataFolder, bookTemplate));
        w.typeTitle(rowsOf(own, u"SELECT カテゴリ名 FROM カテゴリ"_s).value(0), u"Window seat"_s,
                    u"A window seat, please."_s, u"窓側の席をお願いします。"_s);
        w.dialogs.answers = {true};
        w.dialogs.inputs = {u"窓側の席"_s};
        w.click("Command4");
        QCOMPARE(rowsOf(own, u"SELECT タイトル名_日本語 FROM タイトル WHERE タイトル名_英語 = "
                             "'Window seat'"_s),
                 QStringList{u"窓側の席"_s});
        QCOMPARE(rowsOf(bookTemplate, titles), installed);
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
