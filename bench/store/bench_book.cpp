// wordlark-book's import and export of 100,000 titles, and its rebuild of a million reviews,
// through the whole command as a user runs it (open, check, read or write the file, close), next to
// their floor: the same rows inserted or selected through one bare SQLite connection, in one
// transaction, with the same durability and page cache, the rows already in memory. Prints a table,
// then the peak resident memory of the tool itself importing 10,000 and 100,000 titles.
//
//   bench_book [repetitions]

#include "BookCommand.h"
#include "BookGenerator.h"
#include "PhraseBookFile.h"
#include "ReviewGenerator.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint64_t kSeed = 20260101;
constexpr double kImportLimitMs = 2000, kExportLimitMs = 500, kRebuildLimitMs = 3000;
// 2026-12-07T12:00:00.000Z
constexpr std::int64_t kNow = 1'796'644'800'000;

using Row = std::array<QByteArray, 5>; // category, English, Japanese, sentence, translation

[[noreturn]] void fail(const QString& what)
{
    std::fprintf(stderr, "bench_book: %s\n", qPrintable(what));
    std::exit(1);
}

int book(const QStringList& arguments)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int status = runBookCommand(arguments, out, err, BookEnvironment());
    if (status != 0)
        fail(QString::fromUtf8(err.data()));
    return status;
}

sqlite3* open(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        fail(path);
    // What every connection of the program asks for.
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL", nullptr, nullptr,
                 nullptr);
    return db;
}

sqlite3_stmt* prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(db)));
    return stmt;
}

const char kSelect[] = "SELECT カテゴリ名, タイトル名_英語, タイトル名_日本語, 英文, 和訳 FROM "
                       "タイトル ORDER BY カテゴリ名, タイトル名_英語";

std::vector<Row> readRows(const QString& path)
{
    sqlite3* db = open(path);
    sqlite3_stmt* stmt = prepare(db, kSelect);
    std::vector<Row> rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        Row row;
        for (int i = 0; i < 5; ++i)
            row[i] = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                                sqlite3_column_bytes(stmt, i));
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

// The floor of an import: the rows and their categories inserted in one transaction, with the
// import's page cache.
void insertFloor(const QString& path, const std::vector<Row>& rows)
{
    sqlite3* db = open(path);
    sqlite3_exec(db, "PRAGMA cache_size=-32768; BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt* category = prepare(db, "INSERT OR IGNORE INTO カテゴリ VALUES (?)");
    sqlite3_stmt* title = prepare(db, "INSERT INTO タイトル (カテゴリ名, タイトル名_英語, "
                                      "タイトル名_日本語, 英文, 和訳) VALUES (?, ?, ?, ?, ?)");
    const QByteArray* last = nullptr;
    for (const Row& row : rows) {
        if (!last || *last != row[0]) {
            sqlite3_bind_text(category, 1, row[0].constData(), int(row[0].size()), SQLITE_STATIC);
            sqlite3_step(category);
            sqlite3_reset(category);
            last = &row[0];
        }
        for (int i = 0; i < 5; ++i)
            sqlite3_bind_text(title, i + 1, row[i].constData(), int(row[i].size()), SQLITE_STATIC);
        if (sqlite3_step(title) != SQLITE_DONE)
            fail(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_reset(title);
    }
    sqlite3_finalize(category);
    sqlite3_finalize(title);
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_close(db);
}

// The floor of an export: every row selected in order, each text read.
void selectFloor(const QString& path)
{
    sqlite3* db = open(path);
    sqlite3_stmt* stmt = prepare(db, kSelect);
    std::size_t bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        for (int i = 0; i < 5; ++i)
            bytes += std::strlen(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (bytes == 0)
        fail(u"nothing selected"_s);
}

// The floor of a rebuild: the log read in the rebuild's order and the memory rows it makes
// written anew, in one transaction; the scheduler's arithmetic is left out.
void rebuildFloor(const QString& path)
{
    sqlite3* db = open(path);
    sqlite3_exec(db, "BEGIN IMMEDIATE; DELETE FROM 記憶", nullptr, nullptr, nullptr);
    sqlite3_stmt* log = prepare(db, "SELECT タイトル名_英語, 評価, 日時 FROM 復習記録 "
                                    "ORDER BY タイトル名_英語, 日時, rowid");
    sqlite3_stmt* save =
        prepare(db, "INSERT OR REPLACE INTO 記憶 VALUES (?, 1.5, 5.0, "
                    "'2026-12-08T00:00:00.000Z', '2026-12-01T00:00:00.000Z', 3, 0)");
    QByteArray title;
    while (sqlite3_step(log) == SQLITE_ROW) {
        const QByteArray english(reinterpret_cast<const char*>(sqlite3_column_text(log, 0)),
                                 sqlite3_column_bytes(log, 0));
        if (english.compare(title, Qt::CaseInsensitive) != 0) {
            title = english;
            sqlite3_bind_text(save, 1, title.constData(), int(title.size()), SQLITE_STATIC);
            sqlite3_step(save);
            sqlite3_reset(save);
        }
    }
    sqlite3_finalize(log);
    sqlite3_finalize(save);
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_close(db);
}

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Wall-clock time, and the processor time this process used: on a busy machine the first
// includes waiting for a core, the second does not.
struct Timing {
    double wallMs, cpuMs;
};

// The medians of runs of timed(), each after an untimed prepare().
Timing median(int runs, const std::function<void()>& prepare, const std::function<void()>& timed)
{
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QElapsedTimer timer;
        const double cpuFrom = cpuMs();
        timer.start();
        timed();
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(cpuMs() - cpuFrom);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

// Runs a program and prints its peak resident memory in kB. The bench re-runs itself for
// this while still small, since a forked child's peak counts the pages it shares.
int printPeakOf(char** argv)
{
    const pid_t child = fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 1;
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}

// Peak resident memory of wordlark-book in a new process, in MB.
double toolPeakMb(const QStringList& arguments)
{
    QProcess self;
    self.start(QCoreApplication::applicationFilePath(),
               QStringList{u"--peak-of"_s, QStringLiteral(WORDLARK_BOOK)} + arguments);
    if (!self.waitForFinished(120000) || self.exitCode() != 0)
        fail(u"wordlark-book failed in a new process"_s);
    return self.readAllStandardOutput().trimmed().toDouble() / 1024;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--peak-of") == 0)
        return printPeakOf(argv + 2);
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString source = dir.filePath(u"source.mdb"_s), target = dir.filePath(u"target.mdb"_s);
    const QString tsv = dir.filePath(u"titles.tsv"_s), exported = dir.filePath(u"out.tsv"_s);
    if (const QString error = generatePhraseBook(source, largeBook(), kSeed); !error.isEmpty())
        fail(error);
    book({u"--book"_s, source, u"export"_s, tsv});
    const std::vector<Row> rows = readRows(source);

    auto freshTarget = [&] {
        QFile::remove(target);
        if (const QString error = createPhraseBook(target, PhraseBookContents::Options);
            !error.isEmpty())
            fail(error);
    };
    const Timing importMs = median(runs, freshTarget, [&] {
        book({u"--book"_s, target, u"import"_s, tsv});
    });
    const Timing insertMs = median(runs, freshTarget, [&] { insertFloor(target, rows); });
    const Timing exportMs = median(
        runs, [] {},
        [&] {
            book({u"--book"_s, source, u"export"_s, exported});
        });
    const Timing selectMs = median(
        runs, [] {}, [&] { selectFloor(source); });

    // Half the titles reviewed 20 times each: a million reviews.
    const QString reviewed = dir.filePath(u"reviewed.mdb"_s);
    QFile::copy(source, reviewed);
    if (const QString error = generateReviews(reviewed, 2, 20, kNow, kSeed); !error.isEmpty())
        fail(error);
    const Timing rebuildMs = median(
        runs, [] {},
        [&] {
            book({u"--book"_s, reviewed, u"reviews"_s, u"--rebuild"_s});
        });
    const Timing rebuildFloorMs = median(
        runs, [] {}, [&] { rebuildFloor(reviewed); });

    // A tenth of the titles, to show the tool's memory does not grow with the file.
    QFile whole(tsv), tenth(dir.filePath(u"tenth.tsv"_s));
    if (!whole.open(QIODevice::ReadOnly) || !tenth.open(QIODevice::WriteOnly))
        fail(u"can't copy the titles"_s);
    for (int line = 0; line <= int(rows.size() / 10) && !whole.atEnd(); ++line)
        tenth.write(whole.readLine());
    tenth.close();
    freshTarget();
    const double tenthMb = toolPeakMb({u"--book"_s, target, u"import"_s, tenth.fileName()});
    freshTarget();
    const double wholeMb = toolPeakMb({u"--book"_s, target, u"import"_s, tsv});

    // Other work on the machine slows the floors as much; the load says how busy it was.
    QFile loadavg(u"/proc/loadavg"_s);
    loadavg.open(QIODevice::ReadOnly);
    std::printf("%zu titles in 1,000 categories; file %.1f MB; median of %d runs; load average "
                "%s.\nThe rebuild replays 1,000,000 reviews of 50,000 titles (file %.1f MB).\n\n",
                rows.size(), double(QFile(tsv).size()) / 1e6, runs,
                loadavg.readAll().split(' ').value(0).constData(),
                double(QFile(reviewed).size()) / 1e6);
    std::printf("| operation         | time ms | floor ms | ratio | limit ms | holds | CPU ms | "
                "floor CPU ms |\n"
                "|-------------------|--------:|---------:|------:|---------:|:-----:|-------:|"
                "-------------:|\n");
    auto line = [](const char* name, Timing t, Timing floor, double limit) {
        std::printf("| %-17s | %7.1f | %8.1f | %5.2f | %8.0f | %-5s | %6.1f | %12.1f |\n", name,
                    t.wallMs, floor.wallMs, t.wallMs / floor.wallMs, limit,
                    t.wallMs < limit ? "yes" : "NO", t.cpuMs, floor.cpuMs);
        return t.wallMs < limit;
    };
    bool holds = line("import (TSV file)", importMs, insertMs, kImportLimitMs);
    holds = line("export (TSV file)", exportMs, selectMs, kExportLimitMs) && holds;
    holds = line("reviews --rebuild", rebuildMs, rebuildFloorMs, kRebuildLimitMs) && holds;
    std::printf("\nPeak resident memory of wordlark-book importing %zu titles: %.1f MB; "
                "%zu titles: %.1f MB\n",
                rows.size() / 10, tenthMb, rows.size(), wholeMb);
    std::printf("All limits hold: %s\n", holds ? "yes" : "NO");
    return holds ? 0 : 1;
}
