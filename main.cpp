#include "BookPlaces.h"
#include "FliteEngine.h"
#include "Form1.h"
#include "QtDialogs.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Names the user's data folder, whatever the program file is called.
    QCoreApplication::setApplicationName(QStringLiteral("wordlark"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.wordlark.Wordlark"));
    QtDialogs dialogs;
    const auto speech = MakeSpeechEngine();
    Form1 window(ProgramBookPlaces(), dialogs, *speech);
    window.show();
    return app.exec();
}
