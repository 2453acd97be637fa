// The statistics window on a 100,000-title book with 1,000,000 reviews: the figures alone
// (open, queries, close) and 成績 as the user runs it (figures, charts built, first paint of
// every chart), for the whole book and for categories of 32,767 and 1,000 titles. Prints the
// median and the slowest of the rounds against the 100 ms budget.
//
//   bench_stats [rounds [folder]]
//
// A folder given keeps the book for the next run, which uses it as it is.

#include "BookGenerator.h"
#include "Database.h"
#include "DatabasePath.h"
#include "Dialogs.h"
#include "FakeSpeech.h"
#include "Form1.h"
#include "Form3.h"
#include "Offscreen.h"
#include "ReviewGenerator.h"
#include "ReviewStats.h"

#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint64_t kSeed = 20260101;
constexpr double kBudgetMs = 100;
// 2026-12-07T12:00:00.000Z
constexpr std::int64_t kNow = 1'796'644'800'000;

// Waits until every chart of a statistics window has painted.
class ChartPaints : public QObject {
public:
    QSet<QObject*> painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->parent() &&
            qobject_cast<QChartView*>(watched->parent()) &&
            qobject_cast<Form3*>(watched->parent()->parent()))
            painted.insert(watched);
        return false;
    }
};

// 成績 asks nothing.
class NoDialogs final : public Dialogs {
public:
    bool ask(const QString&, const QString&) override { return false; }
    void tell(const QString&) override {}
    std::optional<QString> input(const QString&) override { return std::nullopt; }
};

struct Timing {
    double median = 0;
    double slowest = 0;
};

Timing timeRounds(int rounds, const std::function<double()>& round)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i)
        ms.push_back(round());
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char** argv)
{
    drawOffscreen();
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;

    QTemporaryDir temporary;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    QDir().mkpath(folder);
    const QString book = DatabasePath(folder);
    std::printf("Making the book: 100,000 titles, every second one reviewed 20 times...\n");
    std::fflush(stdout);
    if (QFile::exists(book))
        std::printf("(kept from an earlier run)\n");
    else if (QString error = generatePhraseBook(book, largeBook(), kSeed);
             !error.isEmpty() || !(error = generateReviews(book, 2, 20, kNow, kSeed)).isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    struct Case {
        const char* name;
        QString category;
    };
    const Case cases[] = {{"whole book", QString()},
                          {"category of 32,767", categoryName(0)},
                          {"category of 1,000", categoryName(1)}};

    std::printf("\n%-34s %10s %10s %10s %6s\n", "operation", "median ms", "slowest", "budget",
                "holds");
    bool all = true;
    const auto report = [&](const QString& what, Timing t, bool budgeted) {
        const bool holds = !budgeted || t.slowest < kBudgetMs;
        all = all && holds;
        std::printf("%-34s %10.1f %10.1f %10s %6s\n", qPrintable(what), t.median, t.slowest,
                    budgeted ? "100" : "-", budgeted ? (holds ? "yes" : "NO") : "");
    };

    for (const Case& c : cases) {
        const Timing figures = timeRounds(rounds, [&] {
            const auto start = std::chrono::steady_clock::now();
            Database db(book);
            const ReviewStats stats = reviewStats(db, c.category, kNow);
            if (stats.titles() == 0)
                std::abort();
            return msSince(start);
        });
        report(u"figures, %1"_s.arg(QLatin1String(c.name)), figures, false);
    }

    NoDialogs dialogs;
    FakeSpeech speech;
    Form1 form(folder, dialogs, speech);
    form.setClock([] { return kNow; });
    form.show();
    QApplication::processEvents();
    auto* combo1 = form.findChild<QComboBox*>(u"Combo1"_s);
    form.findChild<QComboBox*>(u"Combo2"_s)->setEditText(u"成績"_s);
    auto* command3 = form.findChild<QPushButton*>(u"Command3"_s);
    for (const Case& c : cases) {
        combo1->setEditText(c.category);
        const Timing window = timeRounds(rounds, [&] {
            ChartPaints paints;
            app.installEventFilter(&paints);
            const auto start = std::chrono::steady_clock::now();
            command3->click();
            QElapsedTimer limit;
            limit.start();
            while (paints.painted.size() < 3 && limit.elapsed() < 5000)
                QApplication::processEvents(QEventLoop::AllEvents, 5);
            const double ms = msSince(start);
            app.removeEventFilter(&paints);
            // Each round opens a new window, as the first 成績 of a session does.
            for (Form3* stats : form.findChildren<Form3*>())
                stats->close();
            QApplication::processEvents();
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return paints.painted.size() == 3 ? ms : 1e9;
        });
        report(u"成績 window, %1"_s.arg(QLatin1String(c.name)), window, true);
    }
    std::printf("\nAll budgets hold: %s\n", all ? "yes" : "NO");
    return 0;
}
