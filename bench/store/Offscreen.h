#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

// Windows of a benchmark are drawn offscreen unless another platform is asked for. The
// offscreen platform warns about every window it sizes; that is no news here.
inline void drawOffscreen()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (!text.contains(QLatin1String("propagateSizeHints")) &&
            !text.contains(QLatin1String("XDG_RUNTIME_DIR")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
        if (type == QtFatalMsg)
            std::abort();
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
