#include "AlsaOutput.h"
#include "FliteEngine.h"
#include "MemoryOutput.h"

#include <QTest>

#include <flite/flite.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <limits>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kLong =
    u"Excuse me, could you please tell me how to get to the nearest station from here?"_s;
const QString kShort = u"Thank you very much."_s;

// Passes everything on to another output, counting it, and fails like a real device when told to.
class RelayOutput final : public AudioOutput {
public:
    explicit RelayOutput(std::shared_ptr<AudioOutput> inner)
        : m_inner(std::move(inner))
    {
    }

    bool failOpen = false;
    long failAfterSamples = -1;       // fail the write that would pass this many samples
    std::atomic<std::size_t> written; // samples passed on in the current sentence
    std::atomic<int> drained;         // sentences that sounded to the end

    void Open(int sampleRate) override
    {
        written = 0;
        if (std::exchange(failOpen, false))
            throw SpeechError("device unplugged");
        m_inner->Open(sampleRate);
    }
    bool Write(std::span<const std::int16_t> samples, std::stop_token stop) override
    {
        if (failAfterSamples >= 0 &&
            written + samples.size() > static_cast<std::size_t>(failAfterSamples)) {
            failAfterSamples = -1;
            throw SpeechError("device failed");
        }
        written += samples.size();
        return m_inner->Write(samples, std::move(stop));
    }
    void Drain(std::stop_token stop) override
    {
        m_inner->Drain(stop);
        if (!stop.stop_requested())
            ++drained;
    }
    void Close() noexcept override { m_inner->Close(); }

private:
    std::shared_ptr<AudioOutput> m_inner;
};

// Says `text` to the end and returns how many samples it took.
std::size_t lengthSaid(FliteEngine& engine, MemoryOutput& output, const QString& text)
{
    const std::size_t before = output.Takes().size();
    engine.Speak(text);
    if (!output.WaitForClosedTakes(before + 1, 10s))
        return 0;
    const MemoryOutput::Take take = output.Takes().back();
    return take.drained ? take.samples.size() : 0;
}

// Words that spaces separate, over the minutes from the first to the last sample louder than 1 %
// of full scale, summed over `sentences`.
double wordsPerMinute(FliteEngine& engine, MemoryOutput& output, const QStringList& sentences)
{
    double words = 0;
    double minutes = 0;
    for (const QString& sentence : sentences) {
        if (lengthSaid(engine, output, sentence) == 0)
            return 0;
        const MemoryOutput::Take take = output.Takes().back();
        const auto loud = [](std::int16_t s) { return std::abs(s) >= 328; };
        const auto first = std::find_if(take.samples.begin(), take.samples.end(), loud);
        const auto last = std::find_if(take.samples.rbegin(), take.samples.rend(), loud);
        minutes += double(std::distance(first, last.base())) / take.sampleRate / 60;
        words += double(sentence.split(u' ', Qt::SkipEmptyParts).size());
    }
    return words / minutes;
}

} // namespace

class TestSpeech : public QObject {
    Q_OBJECT

private slots:
    void speedIsWordsPerMinute_data()
    {
        QTest::addColumn<int>("speed");
        QTest::newRow("160") << 160;
        QTest::newRow("180") << 180;
        QTest::newRow("200") << 200;
    }
    void speedIsWordsPerMinute()
    {
        QFETCH(int, speed);
        const QStringList sentences{
            kLong,
            kShort,
            u"I would like a cup of coffee with milk, please."_s,
            u"What time does the next train leave for the airport?"_s,
            u"My sister works at a hospital near the river."_s,
            u"Could you speak a little more slowly, please?"_s,
        };
        auto output = std::make_shared<MemoryOutput>();
        FliteEngine engine(output);
        engine.SetSpeed(speed);
        const double measured = wordsPerMinute(engine, *output, sentences);
        QVERIFY2(measured > speed * 0.95 && measured < speed * 1.05,
                 qPrintable(u"%1 words per minute"_s.arg(measured)));
    }

    void speedOutOfRangeIsRefused_data()
    {
        QTest::addColumn<int>("speed");
        QTest::newRow("just below") << 159;
        QTest::newRow("just above") << 201;
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -180;
        QTest::newRow("lowest int") << std::numeric_limits<int>::min();
        QTest::newRow("highest int") << std::numeric_limits<int>::max();
    }
    void speedOutOfRangeIsRefused()
    {
        QFETCH(int, speed);
        auto output = std::make_shared<MemoryOutput>();
        FliteEngine engine(output);
        engine.SetSpeed(FliteEngine::kMinSpeed);
        const std::size_t before = lengthSaid(engine, *output, kShort);
        QVERIFY_THROWS_EXCEPTION(SpeechError, engine.SetSpeed(speed));
        // the refused speed must not have replaced the one in force
        QVERIFY(before > 0);
        QCOMPARE(lengthSaid(engine, *output, kShort), before);
    }

    void nextSpeakCutsShort()
    {
        auto output = std::make_shared<MemoryOutput>();
        FliteEngine engine(output);
        const std::size_t longLength = lengthSaid(engine, *output, kLong);
        const std::size_t shortLength = lengthSaid(engine, *output, kShort);
        QVERIFY(longLength > 2 * shortLength);

        output->SetPace(4); // sounding takes time now, as on a device
        engine.Speak(kLong);
        engine.Speak(kShort);
        QVERIFY(output->WaitForClosedTakes(4, 20s));
        const auto takes = output->Takes();
        QCOMPARE(takes.size(), std::size_t{4});
        QVERIFY(!takes[2].drained);
        QVERIFY2(takes[2].samples.size() < longLength / 2,
                 qPrintable(u"%1 of %2"_s.arg(takes[2].samples.size()).arg(longLength)));
        QVERIFY(takes[3].drained);
        QCOMPARE(takes[3].samples.size(), shortLength);
    }

    void speakReturnsWhileSoundingAndDestroyingStops()
    {
        auto output = std::make_shared<MemoryOutput>(1);
        {
            FliteEngine engine(output);
            engine.Speak(kLong);
            const auto takes = output->Takes();
            QCOMPARE(takes.size(), std::size_t{1});
            QVERIFY(!takes[0].samples.empty());
            QVERIFY(!takes[0].closed); // seconds of speech are still to come
        }
        const auto takes = output->Takes();
        QVERIFY(takes[0].closed);
        QVERIFY(!takes[0].drained);
    }

    void missingDevice_data()
    {
        QTest::addColumn<QString>("device");
        QTest::newRow("unknown device") << u"wordlark-no-such-device"_s;
        QTest::newRow("absent card") << u"hw:99,0"_s;
    }
    void missingDevice()
    {
        QFETCH(QString, device);
        FliteEngine engine(std::make_shared<AlsaOutput>(device.toStdString()));
        for (int attempt = 0; attempt < 2; ++attempt)
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kShort));
    }

    void alsaPlaysEverything()
    {
        // ALSA's null device takes samples like a sound card, and exists with none installed.
        auto memory = std::make_shared<MemoryOutput>();
        std::size_t expected = 0;
        {
            FliteEngine engine(memory);
            expected = lengthSaid(engine, *memory, kShort);
        }
        auto alsa = std::make_shared<RelayOutput>(std::make_shared<AlsaOutput>("null"));
        FliteEngine engine(alsa);
        engine.Speak(kShort);
        QTRY_COMPARE_WITH_TIMEOUT(alsa->drained.load(), 1, 10000);
        QCOMPARE(alsa->written.load(), expected);
        engine.Speak(kLong);
        engine.Speak(kShort);
        QTRY_VERIFY_WITH_TIMEOUT(alsa->drained >= 2, 10000);
    }

    void deviceFailure_data()
    {
        QTest::addColumn<bool>("failOpen");
        QTest::addColumn<int>("failAfterSamples");
        QTest::addColumn<bool>("speakThrows");
        QTest::newRow("gone before the sentence") << true << -1 << true;
        QTest::newRow("fails at the first samples") << false << 0 << true;
        QTest::newRow("fails while sounding") << false << 5000 << false;
    }
    void deviceFailure()
    {
        QFETCH(bool, failOpen);
        QFETCH(int, failAfterSamples);
        QFETCH(bool, speakThrows);
        auto memory = std::make_shared<MemoryOutput>();
        auto output = std::make_shared<RelayOutput>(memory);
        output->failOpen = failOpen;
        output->failAfterSamples = failAfterSamples;
        FliteEngine engine(output);
        if (speakThrows) {
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kLong));
        } else {
            engine.Speak(kLong);
            QVERIFY(memory->WaitForClosedTakes(1, 10s));
            // too late for the Speak that started it, so the next one says it
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kShort));
        }
        const std::size_t before = memory->Takes().size();
        engine.Speak(kShort); // the device works again
        QVERIFY(memory->WaitForClosedTakes(before + 1, 10s));
        QVERIFY(memory->Takes().back().drained);
    }

    // Flite meets a value of the wrong type in the voice while analysing the text, which ends the
    // process unless its error jump is set. The sanitizers' leak check sees to it that the
    // abandoned sentence is freed.
    void fliteErrorIsSpeechError()
    {
        auto output = std::make_shared<MemoryOutput>();
        FliteEngine engine(output);
        const std::size_t length = lengthSaid(engine, *output, kShort); // the voice is loaded
        cst_voice* voice = flite_voice_select("rms");
        QVERIFY(voice != nullptr);
        const char* const name = "tokentowords_func";
        const cst_val* words = val_inc_refcount(feat_val(voice->features, name));
        feat_set(voice->features, name, cons_val(nullptr, nullptr));
        for (int attempt = 0; attempt < 2; ++attempt)
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kShort));
        feat_set(voice->features, name, words);
        val_dec_refcount(words);
        QCOMPARE(lengthSaid(engine, *output, kShort), length);
    }

    // The engine's samples match Flite's own for the same UTF-8, so nothing was dropped or
    // replaced on the way; what Flite can't say must neither crash nor hang.
    void textReachesFliteUnchanged_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophes") << u"It's John's, isn't it? 'Yes.'"_s;
        QTest::newRow("digits") << u"Room 404 opens at 9:30 on 12/05/2026, 3.5 km away."_s;
        QTest::newRow("accents") << u"A café au lait for Zoë, naïve as ever."_s;
        QTest::newRow("japanese") << u"駅はどこですか"_s;
        QTest::newRow("mixed") << u"Say «Tokyo» — 東京 — ☕ ✓ \u00a0ok"_s;
        QTest::newRow("lone surrogate") << (u"bad "_s + QChar(0xD800) + u" text"_s);
        QTest::newRow("controls") << u"one\ttwo\nthree\rfour\u0001five"_s;
    }
    void textReachesFliteUnchanged()
    {
        QFETCH(QString, text);
        auto output = std::make_shared<MemoryOutput>();
        FliteEngine engine(output);
        lengthSaid(engine, *output, kShort); // the voice is loaded
        const std::size_t takes = output->Takes().size();
        engine.Speak(text);
        // a text with nothing to say opens no take at all
        const bool said = output->Takes().size() > takes;
        QVERIFY(output->WaitForClosedTakes(takes + said, 10s));

        cst_voice* voice = flite_voice_select("rms");
        feat_set_float(
            voice->features, "duration_stretch",
            float(FliteEngine::kWordsPerMinuteAtStretchOne / FliteEngine::kDefaultSpeed));
        cst_wave* wave = flite_text_to_wave(text.toUtf8().constData(), voice);
        feat_remove(voice->features, "duration_stretch");
        const std::size_t expected = wave->num_samples;
        delete_wave(wave);
        QCOMPARE(said ? output->Takes().back().samples.size() : 0, expected);
    }
};

QTEST_GUILESS_MAIN(TestSpeech)
#include "tst_speech.moc"
