// A second program on the phrase book, for the reliability tests. Reports each step on
// stdout as soon as it has succeeded, so that a parent which kills it knows what was saved.
//   store_helper hold <file> <milliseconds>   holds a write transaction open, then commits
//   store_helper edit <folder> <name> <count> registers, updates and deletes titles
//   store_helper crash <folder> <name>        registers titles and deletes category "big";
//                                             name "die" kills itself as the deletion returns
#include "PhraseBook.h"
#include "StoreWidgets.h"

#include <QApplication>
#include <QThread>

#include <sqlite3.h>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

int hold(const QString& file, int milliseconds)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK ||
        sqlite3_exec(db, "BEGIN IMMEDIATE; UPDATE オプション SET Option_Value = Option_Value",
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return 1;
    }
    say(u"locked"_s);
    QThread::msleep(static_cast<unsigned long>(milliseconds));
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

struct Window : StoreWidgets {
    PhraseBook book;

    explicit Window(const QString& folder)
        : book(folder, view())
    {
    }
    void type(const QString& category, const QString& key, const QString& sentence,
              const QString& translated)
    {
        combo.setEditText(category);
        title.setText(key);
        english.setPlainText(sentence);
        translation.setPlainText(translated);
    }
    // Says "<what> <title>" when the edit was made, "error <what> <title> <status>" otherwise.
    void report(EditOutcome outcome, const QString& what, const QString& key)
    {
        say(outcome == EditOutcome::Done ? what + u' ' + key
                                         : u"error "_s + what + u' ' + key + u' ' + status.text());
    }
};

int edit(const QString& folder, const QString& name, int count)
{
    Window w(folder);
    for (int i = 0; i < count; ++i) {
        const QString key = name + u'-' + QString::number(i);
        w.type(u"二人"_s, key, u"Sentence "_s + key, u"訳 "_s + key);
        w.report(w.book.AddTitle(TitleMode::EJ, [&](const QString&) { return u"題 "_s + key; }),
                 u"added"_s, key);
        w.type(u"二人"_s, key, u"Changed "_s + key, u"新訳 "_s + key);
        w.report(w.book.UpdateTitle(TitleMode::EJ), u"updated"_s, key);
        if (i % 3 == 0)
            w.report(w.book.DeleteTitle(TitleMode::EJ), u"deleted"_s, key);
    }
    return 0;
}

int crash(const QString& folder, const QString& name)
{
    Window w(folder);
    for (int i = 0;; ++i) {
        const QString key = name + u'-' + QString::number(i);
        w.type(u"新"_s, key, u"S"_s, u"T"_s);
        w.report(w.book.AddTitle(TitleMode::EJ, [&](const QString&) { return u"題"_s + key; }),
                 u"added"_s, key);
        if (i == 3) {
            w.combo.setEditText(u"big"_s);
            say(u"deleting big"_s);
            w.report(w.book.DeleteCategoryTitles(TitleMode::EJ), u"deleted"_s, u"big"_s);
            if (name == u"die"_s)
                std::raise(SIGKILL);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == u"hold"_s)
        return hold(args[2], args[3].toInt());
    if (args.size() == 5 && args[1] == u"edit"_s)
        return edit(args[2], args[3], args[4].toInt());
    if (args.size() == 4 && args[1] == u"crash"_s)
        return crash(args[2], args[3]);
    std::fprintf(stderr, "usage: store_helper hold|edit|crash ...\n");
    return 2;
}
