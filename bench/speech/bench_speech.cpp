// How soon speech starts: the time from Speak to the first samples handed to the output, over
// the corpus's sentences said in turn, next to the time Flite alone takes to its first samples of
// the same sentence. No sound device is needed.
//
//   bench_speech [rounds]

#include "Corpus.h"
#include "FliteEngine.h"
#include "MemoryOutput.h"

#include <QFile>

#include <flite/flite.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

namespace {

// The espeak-ng engine this one replaced, measured the same way on the same machine just before
// it went (one sentence, 50 rounds, release build).
constexpr double kEspeakMedianMs = 0.96;
constexpr double kEspeakWorstMs = 8.7;
constexpr double kTargetMedianMs = 30;

// The processor time this thread has had: on a busy machine, what the wait would be on an idle one.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Alone {
    double ms = -1;
    double cpuMs = -1;
};
Alone firstSamples;

int onSamples(const cst_wave*, int, int size, int, cst_audio_streaming_info*)
{
    if (size > 0 && firstSamples.ms < 0)
        firstSamples = {Ms(Clock::now().time_since_epoch()).count(), threadCpuMs()};
    return CST_AUDIO_STREAM_CONT;
}

// Straight through Flite, on the voice the engine loaded, while the engine is idle.
Alone fliteAlone(const QString& sentence)
{
    cst_voice* voice = flite_voice_select("rms");
    cst_audio_streaming_info* streaming = new_audio_streaming_info();
    streaming->asc = &onSamples;
    cst_utterance* utterance = new_utterance();
    utt_set_input_text(utterance, sentence.toUtf8().constData());
    feat_set(utterance->features, "streaming_info", audio_streaming_info_val(streaming));
    feat_set_float(utterance->features, "duration_stretch",
                   float(FliteEngine::kWordsPerMinuteAtStretchOne / FliteEngine::kDefaultSpeed));
    firstSamples = {};
    const Alone start{Ms(Clock::now().time_since_epoch()).count(), threadCpuMs()};
    delete_utterance(flite_do_synth(utterance, voice, utt_synth));
    return {firstSamples.ms - start.ms, firstSamples.cpuMs - start.cpuMs};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const QStringList corpus = readCorpus();
    auto output = std::make_shared<MemoryOutput>();
    FliteEngine engine(output);

    engine.Speak(corpus.front()); // loads the voice
    output->WaitForClosedTakes(1, std::chrono::seconds(10));

    std::vector<double> fromIdle, cutting, alone, aloneCpu;
    for (int round = 0; round < rounds; ++round) {
        const QString& sentence = corpus[round % corpus.size()];
        // Nothing sounding.
        output->SetPace(0);
        std::size_t closed = output->Takes().size();
        auto start = Clock::now();
        engine.Speak(sentence);
        output->WaitForClosedTakes(closed + 1, std::chrono::seconds(10));
        fromIdle.push_back(Ms(output->Takes().back().firstSamples - start).count());

        const Alone flite = fliteAlone(sentence);
        alone.push_back(flite.ms);
        aloneCpu.push_back(flite.cpuMs);

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

    // Every figure grows with what else runs; a busy machine can miss the target on its own.
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = load.open(QIODevice::ReadOnly) ? load.readLine(16) : "?";
    std::printf("%d sentences at %d words per minute; load average %s\n\n", rounds,
                FliteEngine::kDefaultSpeed, loadAverage.split(' ').front().constData());
    std::printf("| Speak to first samples       | median ms | worst ms |\n"
                "|------------------------------|----------:|---------:|\n");
    auto row = [](const char* what, const std::vector<double>& ms) {
        std::printf("| %-28s | %9.2f | %8.2f |\n", what, median(ms),
                    *std::max_element(ms.begin(), ms.end()));
    };
    row("nothing sounding", fromIdle);
    row("cutting one short", cutting);
    row("Flite alone, no engine", alone);
    row("Flite alone, processor time", aloneCpu);
    std::printf("\nThe espeak-ng engine before it, for comparison: median %.2f ms, worst %.1f ms.\n"
                "Flite analyses the whole sentence before its first samples; espeak-ng streamed\n"
                "from its first phoneme.\n",
                kEspeakMedianMs, kEspeakWorstMs);
    const bool met = median(fromIdle) < kTargetMedianMs && median(cutting) < kTargetMedianMs;
    std::printf("Target median < %.0f ms: %s\n", kTargetMedianMs, met ? "met" : "MISSED");
    return met ? 0 : 1;
}
