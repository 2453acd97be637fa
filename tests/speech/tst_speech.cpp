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

// Passes everything on to another output, counting it, and fails like a real device when told to.
class RelayOutput final : public AudioOutput {
public:
    explicit RelayOutput(std::shared_ptr<AudioOutput> inner)
        : m_inner(std::move(inner))
    {
    }

    long failAfterSamples = -1;              // fail the write that would pass this many samples
    std::atomic<std::size_t> written;        // samples passed on in the current sentence
    std::atomic<std::size_t> drainedWritten; // those of the last sentence that sounded to the end
    std::atomic<int> closed;

    void Open(int sampleRate) override
    {
        written = 0;
        m_inner->Open(sampleRate);
    }
    bool Write(std::span<const std::int16_t> samples, std::stop_token stop) override
    {
        if (failAfterSamples >= 0 && written + samples.size() > std::size_t(failAfterSamples)) {
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
            drainedWritten = written.load();
    }
    void Close() noexcept override
    {
        m_inner->Close();
        ++closed;
    }

private:
    std::shared_ptr<AudioOutput> m_inner;
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
        QTest::addColumn<int>("measured");
        QTest::newRow("160") << 160 << 160;
        QTest::newRow("180") << 180 << 180;
        QTest::newRow("200") << 200 << 200;
        QTest::newRow("159 is refused, 180 stays") << 159 << 180;
        QTest::newRow("201 is refused, 180 stays") << 201 << 180;
    }
    // Words that spaces separate, over the minutes from the first to the last sample louder than
    // 1 % of full scale.
    void speedIsWordsPerMinute()
    {
        QFETCH(int, speed);
        QFETCH(int, measured);
        auto output = std::make_shared<MemoryOutput>();
        FliteEngine engine(output);
        if (speed == measured)
            engine.SetSpeed(speed);
        else
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.SetSpeed(speed));
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
        QVERIFY2(words / minutes > measured * 0.95 && words / minutes < measured * 1.05,
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

    void missingDevice()
    {
        FliteEngine engine(std::make_shared<AlsaOutput>("wordlark-no-such-device"));
        for (int attempt = 0; attempt < 2; ++attempt)
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kShort));
    }

    void deviceFailure_data()
    {
        QTest::addColumn<int>("failAfterSamples");
        QTest::addColumn<int>("thrownBy"); // which Speak reports the failure
        QTest::newRow("no failure") << -1 << 0;
        QTest::newRow("fails at the first samples") << 0 << 1;
        QTest::newRow("fails while sounding") << 5000 << 2;
    }
    // ALSA's null device takes samples like a sound card, and exists with none installed.
    void deviceFailure()
    {
        QFETCH(int, failAfterSamples);
        QFETCH(int, thrownBy);
        auto output = std::make_shared<RelayOutput>(std::make_shared<AlsaOutput>("null"));
        output->failAfterSamples = failAfterSamples;
        FliteEngine engine(output);
        if (thrownBy == 1)
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kLong));
        else
            engine.Speak(kLong);
        if (thrownBy == 2) {
            QTRY_COMPARE_WITH_TIMEOUT(output->closed.load(), 1, 10000);
            // too late for the Speak that started it, so the next one says it
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kShort));
        }
        engine.Speak(kShort); // cuts the long one short, or the device works again
        QTRY_COMPARE_WITH_TIMEOUT(output->closed.load(), 2, 10000);
        QCOMPARE(output->drainedWritten.load(), fliteAlone(kShort));
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
