#include "FliteEngine.h"
#include "Form1.h"
#include "QtDialogs.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QtDialogs dialogs;
    const auto speech = MakeSpeechEngine();
    Form1 window(QCoreApplication::applicationDirPath(), dialogs, *speech);
    window.show();
    return app.exec();
}
