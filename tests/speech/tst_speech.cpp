#include "AlsaOutput.h"
#include "EspeakEngine.h"
#include "MemoryOutput.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
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
        : inner_(std::move(inner))
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
        inner_->Open(sampleRate);
    }
    bool Write(std::span<const std::int16_t> samples, std::stop_token stop) override
    {
        if (failAfterSamples >= 0 &&
            written + samples.size() > static_cast<std::size_t>(failAfterSamples)) {
            failAfterSamples = -1;
            throw SpeechError("device failed");
        }
        written += samples.size();
        return inner_->Write(samples, std::move(stop));
    }
    void Drain(std::stop_token stop) override
    {
        inner_->Drain(stop);
        if (!stop.stop_requested())
            ++drained;
    }
    void Close() noexcept override { inner_->Close(); }

private:
    std::shared_ptr<AudioOutput> inner_;
};

// Says `text` to the end and returns how many samples it took.
std::size_t Length(EspeakEngine& engine, MemoryOutput& output, const QString& text)
{
    const std::size_t before = output.Takes().size();
    engine.Speak(text);
    if (!output.WaitForClosedTakes(before + 1, 10s))
        return 0;
    const MemoryOutput::Take take = output.Takes().back();
    return take.drained ? take.samples.size() : 0;
}

} // namespace

class TestSpeech : public QObject {
    Q_OBJECT

private slots:
    void speedSetsLength_data()
    {
        QTest::addColumn<int>("slow");
        QTest::addColumn<int>("fast");
        QTest::newRow("160 to 200") << 160 << 200;
        QTest::newRow("100 to 200") << 100 << 200;
        QTest::newRow("lowest to highest") << 80 << 450;
    }
    void speedSetsLength()
    {
        QFETCH(int, slow);
        QFETCH(int, fast);
        auto output = std::make_shared<MemoryOutput>();
        EspeakEngine engine(output);
        engine.SetSpeed(slow);
        const std::size_t slowLength = Length(engine, *output, kLong);
        engine.SetSpeed(fast);
        const std::size_t fastLength = Length(engine, *output, kLong);
        QVERIFY(slowLength > 0);
        const double expected = double(slow) / fast;
        const double ratio = double(fastLength) / double(slowLength);
        QVERIFY2(ratio > expected - 0.08 && ratio < expected + 0.08,
                 qPrintable(u"ratio %1, expected about %2"_s.arg(ratio).arg(expected)));
    }

    void speedOutOfRangeIsRefused_data()
    {
        QTest::addColumn<int>("speed");
        QTest::newRow("just below") << 79;
        QTest::newRow("just above") << 451;
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -175;
        QTest::newRow("lowest int") << std::numeric_limits<int>::min();
        QTest::newRow("highest int") << std::numeric_limits<int>::max();
    }
    void speedOutOfRangeIsRefused()
    {
        QFETCH(int, speed);
        auto output = std::make_shared<MemoryOutput>();
        EspeakEngine engine(output);
        engine.SetSpeed(300);
        const std::size_t before = Length(engine, *output, kShort);
        QVERIFY_THROWS_EXCEPTION(SpeechError, engine.SetSpeed(speed));
        const std::size_t after = Length(engine, *output, kShort);
        // the refused speed must not have replaced the one in force
        QVERIFY(before > 0);
        QVERIFY2(after > before * 99 / 100 && after < before * 101 / 100,
                 qPrintable(u"%1 samples before, %2 after"_s.arg(before).arg(after)));
    }

    void nextSpeakCutsShort()
    {
        auto output = std::make_shared<MemoryOutput>();
        EspeakEngine engine(output);
        const std::size_t longLength = Length(engine, *output, kLong);
        const std::size_t shortLength = Length(engine, *output, kShort);
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
        QVERIFY(takes[3].samples.size() > shortLength * 99 / 100);
        QVERIFY(takes[3].samples.size() < shortLength * 101 / 100);
    }

    void speakReturnsWhileSoundingAndDestroyingStops()
    {
        auto output = std::make_shared<MemoryOutput>(1);
        {
            EspeakEngine engine(output);
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

    // Without voice data or a device every speaking fails, and nothing sounds.
    void missingVoiceDataOrDevice_data()
    {
        QTest::addColumn<QString>("dataPath");
        QTest::addColumn<QString>("voice");
        QTest::addColumn<QString>("device"); // ALSA's; none for an output in memory
        QVERIFY(m_folder.isValid());
        const QString en = u"en-us"_s;
        QTest::newRow("no such folder") << m_folder.filePath(u"missing"_s) << en << QString();
        QTest::newRow("folder without data") << m_folder.path() << en << QString();
        QTest::newRow("unknown voice") << QString() << u"xx-nonexistent"_s << QString();
        QTest::newRow("unknown device") << QString() << en << u"wordlark-no-such-device"_s;
        QTest::newRow("absent card") << QString() << en << u"hw:99,0"_s;
    }
    void missingVoiceDataOrDevice()
    {
        QFETCH(QString, dataPath);
        QFETCH(QString, voice);
        QFETCH(QString, device);
        auto memory = std::make_shared<MemoryOutput>();
        std::shared_ptr<AudioOutput> output = memory;
        if (!device.isEmpty())
            output = std::make_shared<AlsaOutput>(device.toStdString());
        EspeakEngine engine(output, {dataPath, voice});
        for (int attempt = 0; attempt < 2; ++attempt)
            QVERIFY_THROWS_EXCEPTION(SpeechError, engine.Speak(kShort));
        QVERIFY(memory->Takes().empty());
    }

    void alsaPlaysEverything()
    {
        // ALSA's null device takes samples like a sound card, and exists with none installed.
        auto memory = std::make_shared<MemoryOutput>();
        std::size_t expected = 0;
        {
            EspeakEngine engine(memory);
            expected = Length(engine, *memory, kShort);
        }
        auto alsa = std::make_shared<RelayOutput>(std::make_shared<AlsaOutput>("null"));
        EspeakEngine engine(alsa);
        engine.Speak(kShort);
        QTRY_COMPARE_WITH_TIMEOUT(alsa->drained.load(), 1, 10000);
        QVERIFY(alsa->written > expected * 99 / 100);
        QVERIFY(alsa->written < expected * 101 / 100);
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
        EspeakEngine engine(output);
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

private:
    QTemporaryDir m_folder;
};

QTEST_GUILESS_MAIN(TestSpeech)
#include "tst_speech.moc"
