// How soon speech starts: the time from Speak to the first samples handed to the output, next to
// the time espeak-ng alone takes to synthesize the same sentence. No sound device is needed.
//
//   bench_speech [rounds]

#include "EspeakEngine.h"
#include "MemoryOutput.h"

#include <espeak-ng/espeak_ng.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

namespace {

const char* const kSentence =
    "Excuse me, could you tell me how to get to the nearest station from here?";

Clock::time_point firstChunk;
bool gotChunk = false;

int Listen(short* samples, int count, espeak_EVENT*)
{
    if (samples != nullptr && count > 0 && !gotChunk) {
        gotChunk = true;
        firstChunk = Clock::now();
    }
    return 0;
}

struct Alone {
    double firstMs;
    double wholeMs;
};

// Straight through espeak-ng, with the engine idle: it set up the voice, and it sets its own
// callback again before each sentence.
Alone SynthesizeAlone()
{
    espeak_SetSynthCallback(&Listen);
    espeak_ng_SetParameter(espeakRATE, EspeakEngine::kDefaultSpeed, 0);
    gotChunk = false;
    const auto start = Clock::now();
    espeak_ng_Synthesize(kSentence, std::strlen(kSentence) + 1, 0, POS_CHARACTER, 0,
                         espeakCHARS_UTF8, nullptr, nullptr);
    const auto end = Clock::now();
    return {Ms(firstChunk - start).count(), Ms(end - start).count()};
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Worst(const std::vector<double>& values)
{
    return *std::max_element(values.begin(), values.end());
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const QString sentence = QString::fromUtf8(kSentence);
    auto output = std::make_shared<MemoryOutput>();
    EspeakEngine engine(output);

    engine.Speak(sentence); // loads the voice
    output->WaitForClosedTakes(1, std::chrono::seconds(10));

    std::vector<double> fromIdle, cutting, aloneFirst, aloneWhole;
    for (int round = 0; round < rounds; ++round) {
        // Nothing sounding.
        output->SetPace(0);
        std::size_t closed = output->Takes().size();
        auto start = Clock::now();
        engine.Speak(sentence);
        output->WaitForClosedTakes(closed + 1, std::chrono::seconds(10));
        fromIdle.push_back(Ms(output->Takes().back().firstSamples - start).count());

        const Alone alone = SynthesizeAlone();
        aloneFirst.push_back(alone.firstMs);
        aloneWhole.push_back(alone.wholeMs);

        // Cutting short a sentence that sounds in real time.
        output->SetPace(1);
        engine.Speak(sentence);
        closed = output->Takes().size() + 1;
        start = Clock::now();
        engine.Speak(sentence);
        output->SetPace(0);
        output->WaitForClosedTakes(closed, std::chrono::seconds(10));
        cutting.push_back(Ms(output->Takes().back().firstSamples - start).count());
    }

    const double whole = Median(aloneWhole);
    std::printf("%d rounds, \"%s\" at %d words per minute\n\n", rounds, kSentence,
                EspeakEngine::kDefaultSpeed);
    const double first = Median(aloneFirst);
    std::printf("%-44s %9s %9s %8s %8s\n", "", "median ms", "worst ms", "ratio", "ratio 2");
    auto row = [&](const char* what, const std::vector<double>& ms, bool ratio) {
        std::printf("%-44s %9.3f %9.3f", what, Median(ms), Worst(ms));
        if (ratio)
            std::printf(" %8.3f %8.3f", Median(ms) / whole, Median(ms) / first);
        std::printf("\n");
    };
    row("Speak to first samples, nothing sounding", fromIdle, true);
    row("Speak to first samples, cutting one short", cutting, true);
    row("espeak-ng alone: whole sentence", aloneWhole, false);
    row("espeak-ng alone: first samples", aloneFirst, false);
    std::printf("\nratio: over espeak-ng alone on the whole sentence (target < 1.5)\n"
                "ratio 2: over espeak-ng alone to its first samples\n"
                "target for Speak to first samples: < 20 ms, worst included\n");
    const bool met = Worst(fromIdle) < 20 && Median(fromIdle) / whole < 1.5 &&
                     Worst(cutting) < 20 && Median(cutting) / whole < 1.5;
    std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
    return met ? 0 : 1;
}
