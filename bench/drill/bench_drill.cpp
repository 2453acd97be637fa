// How long the drill's pure logic takes where a text or a log is long: the answer diff of a
// typed sentence against the right one, at 50 to 5,000 characters (a fifth of the answer
// mistyped, which is the slow case: many short blocks), and the replay of a review log.
//
//   bench_drill [rounds]

#include "AnswerDiff.h"
#include "Fsrs.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

namespace {

// Below what a learner notices between Check and the marks appearing.
constexpr double kTargetMs = 50;

QString sentence(qsizetype length, std::mt19937& random)
{
    const QStringList words =
        QStringLiteral("could you tell me the way to nearest station please I would "
                       "like a cup of coffee and breakfast tomorrow morning umbrella")
            .split(u' ');
    QString text;
    while (text.size() < length)
        text += words[qsizetype(random() % std::uint32_t(words.size()))] + u' ';
    text.truncate(length - 1);
    return text + u'.';
}

QString mistyped(QString text, std::mt19937& random)
{
    for (qsizetype n = text.size() / 5; n > 0; --n)
        text[qsizetype(random() % std::uint32_t(text.size()))] =
            QChar(char16_t(u'a' + random() % 26));
    return text;
}

template <typename F> std::pair<double, double> timed(int rounds, F run)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        run();
        ms.push_back(Ms(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    std::mt19937 random(20261207);
    bool met = true;

    std::printf("| answer diff, characters | median ms | worst ms |\n"
                "|------------------------:|----------:|---------:|\n");
    for (const qsizetype length : {50, 200, 1000, 5000}) {
        const QString reference = sentence(length, random);
        const QString answer = mistyped(reference, random);
        std::size_t spans = 0;
        const auto [median, worst] = timed(rounds, [&] {
            const AnswerDiff diff = diffAnswer(answer, reference);
            spans += diff.wrong.size() + diff.missing.size();
        });
        std::printf("| %23lld | %9.3f | %8.3f |\n", static_cast<long long>(length), median, worst);
        met = met && median < kTargetMs && spans > 0;
    }

    // Ten years of daily reviews, one in ten wrong.
    const auto [median, worst] = timed(rounds, [&] {
        Fsrs::Card card;
        std::int64_t at = 1'800'000'000'000;
        for (int i = 0; i < 3650; ++i, at += 24 * 60 * 60 * 1000)
            card = Fsrs::review(card, i % 10 == 9 ? Fsrs::Rating::Again : Fsrs::Rating::Good, at);
        if (card.reps != 3650)
            std::abort();
    });
    std::printf("\nReplay of 3,650 reviews: median %.3f ms, worst %.3f ms.\n", median, worst);
    std::printf("Target median < %.0f ms for each: %s\n", kTargetMs,
                met && median < kTargetMs ? "met" : "MISSED");
    return met ? 0 : 1;
}
