#include "AlsaOutput.h"
#include "FliteEngine.h"
#include "MemoryOutput.h"

#include <QTest>

#include <flite/flite.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kLong =
    u"Excuse me, could you please tell me how to get to the nearest station from here?"_s;
const QString kShort = u"Thank you very much."_s;

// A device that fails once, at the given write of the next sentence.
class FailingOutput final : public AudioOutput {
public:
    int failingWrite = 0;
    int writes = 0;
    std::atomic<int> closed = 0;

    void Open(int) override { writes = 0; }
    bool Write(std::span<const std::int16_t>, std::stop_token) override
    {
        if (++writes == failingWrite) {
            failingWrite = 0;
            throw SpeechError("device failed");
        }
        return true;
    }
    void Drain(std::stop_token) override {}
    void Close() noexcept override { ++closed; }
};

// The samples Flite itself makes of the UTF-8 of `text` at the default speed. The voice is the
// one an engine loaded when it first spoke.
std::size_t fliteAlone(const QString& text)
{
    cst_voice* voice = flite_voice_select("rms");
    feat_set_float(voice->features, "duration_stretch",
                   float(FliteEngine::kWordsPerMinuteAtStretchOne / FliteEngine::kDefaultSpeed));
    cst_wave* wave = flite_text_to_wave(text.toUtf8().constData(), voice);
    feat_remove(voice->features, "duration_stretch");
    const std::size_t samples = wave->num_samples;
    delete_wave(wave);
    return samples;
}

} // namespace

class TestSpeech : public QObject {
    Q_OBJECT

private slots:
    void speedIsWordsPerMinute_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>(
            "refused"); // just past the other end, which leaves the speed as it is
        QTest::newRow("160") << 160 << 201;
        QTest::newRow("200") << 200 << 159;
    }
    // Words that spaces separate, over the minutes from the first to the last sample louder than
    // 1 % of full scale.
    void speedIsWordsPerMinute()
    {
        QFETCH(int, speed);
        QFETCH(int, refused);
        auto output = std::make_shared<MemoryOutput>();
        FliteEngine engine(output);
        engine.SetSpeed(speed);
        QVERIFY_THROWS_EXCEPTION(SpeechError, engine.SetSpeed(refused));
        double words = 0, minutes = 0;
        for (const QString& sentence :
             {kLong, kShort, u"I would like a cup of coffee with milk, please."_s,
              u"What time does the next train leave for the airport?"_s,
              u"My sister works at a hospital near the river."_s,
              u"Could you speak a little more slowly, please?"_s}) {
            engine.Speak(sentence);
            QVERIFY(output->WaitForClosedTakes(output->Takes().size(), 10s));
            const MemoryOutput::Take take = output->Takes().back();
            const auto loud = [](std::int16_t s) { return std::abs(s) >= 328; };
            const auto first = std::find_if(take.samples.begin(), take.samples.end(), loud);
            const auto last = std::find_if(take.samples.rbegin(), take.samples.rend(), loud);
            minutes += double(std::distance(first, last.base())) / take.sampleRate / 60;
            words += double(sentence.split(u' ').size());
        }
        QVERIFY2(words / minutes > speed * 0.95 && words / minutes < speed * 1.05,
                 qPrintable(u"%1 words per minute"_s.arg(words / minutes)));
    }

    // Speak returns once the sentence sounds; the next Speak, or the engine's end, cuts it short.
    // The samples match Flite's own for the same UTF-8, so nothing was dropped or replaced on the
    // way; what Flite can't say must neither crash nor hang.
    void speakStreamsAndIsCutShort()
    {
        const QString mixed =
            u"It's Zoë's, isn't it? 'Yes.' Say «Tokyo» — 東京 ☕\u00a0ok\t\u0001"_s + QChar(0xD800);
        auto output = std::make_shared<MemoryOutput>(4); // sounding takes time, as on a device
        {
            FliteEngine engine(output);
            engine.Speak(kLong);
            QVERIFY(!output->Takes().at(0).samples.empty());
            QVERIFY(!output->Takes().at(0).closed);
            engine.Speak(mixed);
            QVERIFY(output->WaitForClosedTakes(2, 20s));
            engine.Speak(kLong);
        }
        const auto takes = output->Takes();
        QCOMPARE(takes.size(), std::size_t{3});
        QVERIFY(!takes[0].drained);
        QVERIFY2(takes[0].samples.size() < fliteAlone(kLong) / 2,
                 qPrintable(QString::number(takes[0].samples.size())));
        QVERIFY(takes[1].drained);
        QCOMPARE(takes[1].samples.size(), fliteAlone(mixed));
        QVERIFY(takes[2].closed && !takes[2].drained);
    }

    // ALSA's null device takes samples like a sound card, and exists with none installed.
    void alsaDevices()
    {
        {
            FliteEngine engine(std::make_shared<AlsaOutput>("null"));
            engine.Speak(kLong);
            engine.Speak(kShort); // cuts the long one short
        }
        FliteEngine engine(std::make_shared<AlsaOutput>("wordlark-no-such-device"));
        for (int attempt = 0; attempt < 2; ++attempt)
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kShort));
    }

    // A failure at the first samples is the Speak's own; one once Speak has returned is too late
    // for it, so the next Speak says it. The device works again after either.
    void deviceFailure()
    {
        auto output = std::make_shared<FailingOutput>();
        FliteEngine engine(output);
        output->failingWrite = 1;
        QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kLong));
        output->failingWrite = 2;
        engine.Speak(kLong);
        QTRY_COMPARE_WITH_TIMEOUT(output->closed.load(), 2, 10000);
        QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kShort));
        engine.Speak(kShort);
        QTRY_COMPARE_WITH_TIMEOUT(output->closed.load(), 3, 10000);
    }

    // Flite meets a value of the wrong type in the voice while analysing the text, which ends the
    // process unless its error jump is set. The sanitizers' leak check sees to it that the
    // abandoned sentence is freed.
    void fliteErrorIsSpeechError()
    {
        auto output = std::make_shared<MemoryOutput>();
        FliteEngine engine(output);
        engine.Speak(kShort); // the voice is loaded
        QVERIFY(output->WaitForClosedTakes(1, 10s));
        cst_voice* voice = flite_voice_select("rms");
        const char* const name = "tokentowords_func";
        const cst_val* words = val_inc_refcount(feat_val(voice->features, name));
        feat_set(voice->features, name, cons_val(nullptr, nullptr));
        for (int attempt = 0; attempt < 2; ++attempt)
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kShort));
        feat_set(voice->features, name, words);
        val_dec_refcount(words);
        engine.Speak(kShort);
        QVERIFY(output->WaitForClosedTakes(2, 10s));
        QCOMPARE(output->Takes().back().samples.size(), fliteAlone(kShort));
    }
};

QTEST_GUILESS_MAIN(TestSpeech)
#include "tst_speech.moc"
