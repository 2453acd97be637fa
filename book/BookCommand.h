#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <functional>

class QIODevice;

// What the command takes from its surroundings, so tests can give their own.
struct BookEnvironment {
    QString defaultBook;
    // How long to wait for another program's lock on the phrase book.
    int busyTimeoutMs = 5000;
    // Where to draw a progress line: standard error when it is a terminal, else nowhere.
    std::FILE* progress = nullptr;
    // Now, in milliseconds since 1970 UTC: what is due is due by it.
    std::function<std::int64_t()> now = [] { return QDateTime::currentMSecsSinceEpoch(); };
};

// Runs wordlark-book with its arguments (without the program name): exported titles go to
// out unless a file is named, messages to err. Returns the exit status: 0 done, 1 failed or
// refused, 2 wrong arguments.
int runBookCommand(const QStringList& arguments, QIODevice& out, QIODevice& err,
                   const BookEnvironment& environment);
