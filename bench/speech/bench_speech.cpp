// How soon speech starts: the time from Speak to the first samples handed to the output, for
// texts of 50 to 100,000 characters cut from the corpus, with nothing sounding and when cutting a
// sounding text short, next to the time Flite alone takes to its first samples of the same first
// utterance. Then a text of 100,000 characters is said to its end, and the pause between two
// utterances is set against the voice's own at a sentence end. No sound device is needed.
//
//   bench_speech [rounds]

#include "Corpus.h"
#include "FliteEngine.h"
#include "FliteWave.h"
#include "MemoryOutput.h"
#include "Utterances.h"

#include <QFile>

#include <flite/flite.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <span>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

namespace {

constexpr double kTargetMedianMs = 30;
constexpr double kTargetWorstMs = 60;

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

double worst(const std::vector<double>& values)
{
    return *std::max_element(values.begin(), values.end());
}

// `length` characters of the corpus said in turn from sentence `first`, cut at a space.
QString textOf(const QStringList& corpus, qsizetype first, qsizetype length)
{
    QString text;
    for (qsizetype i = first; text.size() < length; ++i)
        text += corpus[i % corpus.size()] + u' ';
    text.truncate(length);
    const qsizetype space = text.lastIndexOf(u' ');
    return text.size() < length || space < 0 ? text.trimmed() : text.first(space);
}

bool loud(std::int16_t s)
{
    return std::abs(s) >= 328;
}

// The samples from the first loud one to the last, leading and trailing silence left out.
std::span<const std::int16_t> speechOf(const std::vector<std::int16_t>& samples)
{
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    return first < last ? std::span<const std::int16_t>(first, last)
                        : std::span<const std::int16_t>();
}

double wordsPerMinute(const QString& text, const std::vector<std::int16_t>& samples, int rate)
{
    const auto words = double(text.split(u' ', Qt::SkipEmptyParts).size());
    return words / (double(speechOf(samples).size()) / rate / 60);
}

// Seconds of the longest quiet run inside the speech.
double longestPause(const std::vector<std::int16_t>& samples, int sampleRate)
{
    std::size_t longest = 0, run = 0;
    for (const std::int16_t sample : speechOf(samples)) {
        run = loud(sample) ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return double(longest) / sampleRate;
}

void row(const char* what, const std::vector<double>& ms)
{
    std::printf("| %-40s | %9.2f | %8.2f |\n", what, median(ms), worst(ms));
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const QStringList corpus = readCorpus();
    auto output = std::make_shared<MemoryOutput>();
    FliteEngine engine(output, WORDLARK_VOICE_PROGRAM); // as the program runs it
    const auto speakAndWait = [&](const QString& text, std::chrono::seconds timeout) {
        const std::size_t closed = output->Takes().size();
        engine.Speak(text);
        return output->WaitForClosedTakes(closed + 1, timeout);
    };
    const auto sinceStart = [&](Clock::time_point start) {
        return Ms(output->Takes().back().firstSamples - start).count();
    };

    speakAndWait(corpus.front(), std::chrono::seconds(10)); // loads the voice

    struct Length {
        qsizetype characters;
        const char* idle;
        const char* cutting;
        std::vector<double> idleMs, cuttingMs;
    };
    std::vector<Length> lengths = {
        {50, "50 characters, nothing sounding", "50 characters, cutting one short", {}, {}},
        {500, "500 characters, nothing sounding", "500 characters, cutting one short", {}, {}},
        {5000, "5,000 characters, nothing sounding", "5,000 characters, cutting one short", {}, {}},
        {100000,
         "100,000 characters, nothing sounding",
         "100,000 characters, cutting one short",
         {},
         {}}};
    std::vector<double> alone, aloneCpu, midMaking, number;
    QString digits;
    for (int i = 0; i < 10; ++i)
        digits += QStringLiteral("1234567890");
    for (int round = 0; round < rounds; ++round) {
        for (Length& length : lengths) {
            const QString text = textOf(corpus, round, length.characters);
            // Nothing sounding; then the text sounds in real time while another cuts it short.
            output->SetPace(1);
            auto start = Clock::now();
            engine.Speak(text);
            length.idleMs.push_back(sinceStart(start));
            start = Clock::now();
            engine.Speak(textOf(corpus, round + 1, length.characters));
            length.cuttingMs.push_back(sinceStart(start));
            output->SetPace(0);
            speakAndWait(corpus[round % corpus.size()], std::chrono::seconds(10));

            if (length.characters == 50) {
                const Alone flite = fliteAlone(SplitIntoUtterances(text).front().text);
                alone.push_back(flite.ms);
                aloneCpu.push_back(flite.cpuMs);
            }
        }
        // A number says far more than words of its length.
        output->SetPace(1);
        auto numberStart = Clock::now();
        engine.Speak(digits);
        number.push_back(sinceStart(numberStart));
        output->SetPace(0);
        speakAndWait(corpus[round % corpus.size()], std::chrono::seconds(10));

        // Flite busy with the next utterances of a long text, which take no time to sound.
        output->SetPace(0);
        engine.Speak(textOf(corpus, round, 100000));
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 10 * 7));
        // The takes so far are counted before the clock starts: copying them grows each round.
        const std::size_t closed = output->Takes().size();
        const auto start = Clock::now();
        engine.Speak(corpus[(round + 3) % corpus.size()]);
        output->WaitForClosedTakes(closed + 1, std::chrono::seconds(10));
        midMaking.push_back(sinceStart(start));
    }

    // Every figure grows with what else runs; a busy machine can miss the target on its own.
    QFile load(QStringLiteral("/proc/loadavg"));
    const QByteArray loadAverage = load.open(QIODevice::ReadOnly) ? load.readLine(16) : "?";
    std::printf("%d rounds at %d words per minute; load average %s\n\n", rounds,
                FliteEngine::kDefaultSpeed, loadAverage.split(' ').front().constData());
    std::printf("| Speak to first samples                   | median ms | worst ms |\n"
                "|------------------------------------------|----------:|---------:|\n");
    bool met = true;
    for (const Length& length : lengths) {
        row(length.idle, length.idleMs);
        row(length.cutting, length.cuttingMs);
        for (const auto* ms : {&length.idleMs, &length.cuttingMs})
            met = met && median(*ms) < kTargetMedianMs && worst(*ms) < kTargetWorstMs;
    }
    row("a 100-digit number, nothing sounding", number);
    row("cutting short while Flite makes the next", midMaking);
    row("Flite alone, first utterance", alone);
    row("Flite alone, processor time", aloneCpu);
    std::printf("\nTarget for 50 to 100,000 characters, median < %.0f ms, worst < %.0f ms: %s\n\n",
                kTargetMedianMs, kTargetWorstMs, met ? "met" : "MISSED");

    // The longest text, said to its end as fast as Flite makes it.
    const QString longest = textOf(corpus, 0, 100000);
    const auto start = Clock::now();
    const bool ended = speakAndWait(longest, std::chrono::seconds(1200));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const MemoryOutput::Take take = output->Takes().back();
    const double minutes = double(speechOf(take.samples).size()) / take.sampleRate / 60;
    const bool whole = ended && take.drained;
    std::printf("%lld characters, %lld words, %zu utterances: %s, made in %.1f s; %.1f minutes "
                "of speech, %.1f words per minute\n",
                qlonglong(longest.size()), qlonglong(longest.split(u' ').size()),
                SplitIntoUtterances(longest).size(),
                whole ? "said to the end" : "NOT said to the end", seconds, minutes,
                wordsPerMinute(longest, take.samples, take.sampleRate));

    // Speed with the pauses between sentences in: the corpus as one text, in one utterance
    // through Flite alone and in one utterance a sentence through the engine.
    const QString all = corpus.join(u' ');
    speakAndWait(all, std::chrono::seconds(60));
    std::printf("The corpus as one text, words per minute: %.1f through the engine, %.1f through "
                "Flite alone\n\n",
                wordsPerMinute(all, output->Takes().back().samples, take.sampleRate),
                wordsPerMinute(all, fliteWave(all), take.sampleRate));

    // The corpus's sentences in pairs without a comma, where the longest quiet run is the
    // pause between the two: in one utterance through Flite alone, and in two through the engine.
    std::vector<double> inside, between;
    for (qsizetype i = 0; i + 1 < corpus.size(); ++i) {
        if (corpus[i].contains(u',') || corpus[i + 1].contains(u','))
            continue;
        const QString pair = corpus[i] + u' ' + corpus[i + 1];
        speakAndWait(pair, std::chrono::seconds(10));
        between.push_back(longestPause(output->Takes().back().samples, take.sampleRate) * 1000);
        inside.push_back(longestPause(fliteWave(pair), take.sampleRate) * 1000);
    }
    const auto mean = [](const std::vector<double>& ms) {
        double sum = 0;
        for (const double m : ms)
            sum += m;
        return sum / double(ms.size());
    };
    std::printf("| Quiet at a sentence end, %zu pairs        | median ms | mean ms |\n"
                "|------------------------------------------|----------:|--------:|\n"
                "| inside one utterance, Flite alone        | %9.0f | %7.0f |\n"
                "| between two utterances, the engine       | %9.0f | %7.0f |\n",
                inside.size(), median(inside), mean(inside), median(between), mean(between));
    return met && whole ? 0 : 1;
}
