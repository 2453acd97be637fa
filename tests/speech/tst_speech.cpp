#include "AlsaOutput.h"
#include "FliteEngine.h"
#include "FliteWave.h"
#include "MemoryOutput.h"
#include "Utterances.h"

#include <QTest>

#include <sys/wait.h>

#include <flite/flite.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kLong =
    u"Excuse me, could you please tell me how to get to the nearest station from here?"_s;
const QString kShort = u"Thank you very much."_s;
const QString kSeven =
    u"Good morning. I would like a cup of coffee with milk, please. What time does the next train "
    "leave for the airport? My sister works at a hospital near the river. When we arrived at the "
    "old station late in the evening, the last train had already left, so we walked along the "
    "river to a small hotel near the bridge. Thank you very much!"_s;

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

std::size_t fliteAlone(const QString& text)
{
    return fliteWave(text).size();
}

bool loud(std::int16_t sample)
{
    return std::abs(sample) >= 328; // 1 % of full scale
}

// The samples from the first to the last loud one.
std::vector<std::int16_t> speechOf(const std::vector<std::int16_t>& samples)
{
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    return first < last ? std::vector<std::int16_t>(first, last) : std::vector<std::int16_t>{};
}

// The longest quiet run inside the speech, in seconds at the voice's 16 kHz.
double longestPause(const std::vector<std::int16_t>& samples)
{
    const std::vector<std::int16_t> speech = speechOf(samples);
    std::size_t longest = 0, run = 0;
    for (const std::int16_t sample : speech) {
        run = loud(sample) ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return double(longest) / 16000;
}

// How many samples are loud: the words said, whatever the pauses between them.
std::size_t loudness(const std::vector<std::int16_t>& samples)
{
    return std::size_t(std::count_if(samples.begin(), samples.end(), loud));
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
        // One utterance, so that its samples are Flite's own.
        const QString mixed =
            u"It's Zoë's, isn't it — 'yes', say «Tokyo» — 東京 ☕\u00a0ok\t\u0001"_s + QChar(0xD800);
        QCOMPARE(SplitIntoUtterances(mixed).size(), std::size_t{1});
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

    void splitIntoUtterances_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("utterances");
        QTest::addColumn<QString>("ends"); // S where a sentence ends, C where one is cut
        const QString clauses =
            u"When we arrived at the old station late in the evening, the last train had already "
            "left, so we walked along the river to a small hotel near the bridge."_s;
        QStringList words;
        for (int i = 0; i < 30; ++i)
            words << u"word%1"_s.arg(i);
        const QString smile = u"\U0001F600"_s;

        QTest::newRow("sentence ends")
            << u"Good morning. How are you? Fine!"_s
            << QStringList{u"Good morning."_s, u"How are you?"_s, u"Fine!"_s} << u"SSS"_s;
        QTest::newRow("numbers and names")
            << u"It costs 3.50 dollars at example.com, or 1,000 yen."_s
            << QStringList{u"It costs 3.50 dollars at example.com, or 1,000 yen."_s} << u"S"_s;
        QTest::newRow("titles, initials, inner periods")
            << u"Mr. Smith met Dr. J. Brown of the U.S. Army. He left."_s
            << QStringList{u"Mr. Smith met Dr. J. Brown of the U.S. Army."_s, u"He left."_s}
            << u"SS"_s;
        QTest::newRow("lowercase after a period")
            << u"We met at the station. then we left."_s
            << QStringList{u"We met at the station. then we left."_s} << u"S"_s;
        QTest::newRow("quotes and runs")
            << u"He said \"Stop.\" Wait... What?! Really."_s
            << QStringList{u"He said \"Stop.\""_s, u"Wait..."_s, u"What?!"_s, u"Really."_s}
            << u"SSSS"_s;
        QTest::newRow("line breaks")
            << u"First line\nSecond line\r\n\r\nThird"_s
            << QStringList{u"First line"_s, u"Second line"_s, u"Third"_s} << u"SSS"_s;
        QTest::newRow("Japanese punctuation")
            << u"東京です。大阪です！Kyoto?"_s
            << QStringList{u"東京です。"_s, u"大阪です！"_s, u"Kyoto?"_s} << u"SSS"_s;
        QTest::newRow("punctuation alone stays")
            << u"Hello. ... World."_s << QStringList{u"Hello. ..."_s, u"World."_s} << u"SS"_s;
        QTest::newRow("nothing to say") << u"  \n\t "_s << QStringList{} << QString();
        QTest::newRow("long sentence at a clause break")
            << clauses << QStringList{clauses.first(88), clauses.sliced(89)} << u"CS"_s;
        QTest::newRow("long sentence without punctuation")
            << words.join(u' ') + u'.'
            << QStringList{words.mid(0, 11).join(u' '), words.mid(11, 10).join(u' '),
                           words.mid(21).join(u' ') + u'.'}
            << u"CCS"_s;
        QTest::newRow("word longer than the limit")
            << QString(250, u'a')
            << QStringList{QString(83, u'a'), QString(83, u'a'), QString(84, u'a')} << u"CCS"_s;
        QTest::newRow("not inside a surrogate pair")
            << u"a"_s + smile.repeated(60)
            << QStringList{u"a"_s + smile.repeated(29), smile.repeated(31)} << u"CS"_s;
    }
    // Every character but spaces is kept, in order, and no utterance is longer than the limit.
    void splitIntoUtterances()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, utterances);
        QFETCH(QString, ends);
        QStringList texts;
        QString kinds;
        for (const Utterance& utterance : SplitIntoUtterances(text)) {
            QVERIFY(utterance.text.size() <= kMaxUtteranceLength);
            texts << utterance.text;
            kinds += utterance.endsSentence ? u'S' : u'C';
        }
        QCOMPARE(texts, utterances);
        QCOMPARE(kinds, ends);
        const auto unspaced = [](const QString& spaced) {
            QString kept;
            for (const QChar c : spaced)
                if (!c.isSpace())
                    kept += c;
            return kept;
        };
        QCOMPARE(unspaced(texts.join(QString())), unspaced(text));
    }

    // A long text is said to its end, utterance after utterance, and a number, which says far
    // more than words of its length, in pieces but all of it: as loud as Flite makes it alone.
    void saidWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::size_t>("utterances");
        QString number;
        for (int i = 0; i < 10; ++i)
            number += u"1234567890"_s;
        QTest::newRow("seven utterances") << kSeven << std::size_t{7};
        QTest::newRow("a long number") << number << std::size_t{1};
    }
    void saidWhole()
    {
        QFETCH(QString, text);
        QFETCH(std::size_t, utterances);
        QCOMPARE(SplitIntoUtterances(text).size(), utterances);
        auto output = std::make_shared<MemoryOutput>();
        FliteEngine engine(output);
        engine.Speak(text);
        QVERIFY(output->WaitForClosedTakes(1, 60s));
        const MemoryOutput::Take take = output->Takes().at(0);
        QVERIFY(take.drained);
        const double ratio = double(loudness(take.samples)) / double(loudness(fliteWave(text)));
        QVERIFY2(ratio > 0.95 && ratio < 1.05, qPrintable(QString::number(ratio)));
    }

    // Between two utterances the voice pauses as long as it does at a sentence end inside one.
    void pauseBetweenUtterancesIsTheVoicesOwn()
    {
        auto output = std::make_shared<MemoryOutput>();
        FliteEngine engine(output);
        double inside = 0, between = 0;
        for (const QString& text : {u"Where is the station? It is near the bank."_s,
                                    u"My sister works at a hospital. She likes her job."_s,
                                    u"Thank you very much. See you tomorrow."_s,
                                    u"What time does the next train leave? I do not know."_s}) {
            QCOMPARE(SplitIntoUtterances(text).size(), std::size_t{2});
            const std::size_t closed = output->Takes().size();
            engine.Speak(text);
            QVERIFY(output->WaitForClosedTakes(closed + 1, 10s));
            between += longestPause(output->Takes().back().samples);
            inside += longestPause(fliteWave(text));
        }
        QVERIFY2(std::abs(between - inside) < 0.15 * inside,
                 qPrintable(u"%1 s between, %2 s inside"_s.arg(between / 4).arg(inside / 4)));
    }

    // The utterances after the first come from the voice process, as long and as loud as this
    // process makes them (Flite's noise differs from one run to the next); without the program,
    // or with one that ends before it answers, they are made here.
    void voiceProcessSoundsTheSame_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("voice process") << QStringLiteral(WORDLARK_VOICE_PROGRAM);
        QTest::newRow("no such program") << u"/nonexistent/wordlark-voice"_s;
        QTest::newRow("program ends at once") << u"/bin/true"_s;
    }
    void voiceProcessSoundsTheSame()
    {
        QFETCH(QString, program);
        const auto said = [](const std::string& voiceProgram) {
            auto output = std::make_shared<MemoryOutput>();
            FliteEngine engine(output, voiceProgram);
            engine.Speak(kSeven);
            return output->WaitForClosedTakes(1, 60s) && output->Takes().at(0).drained
                       ? output->Takes().at(0).samples
                       : std::vector<std::int16_t>{};
        };
        const std::vector<std::int16_t> here = said({});
        QVERIFY(!here.empty());
        const std::vector<std::int16_t> there = said(program.toStdString());
        QCOMPARE(there.size(), here.size());
        const double ratio = double(loudness(there)) / double(loudness(here));
        QVERIFY2(ratio > 0.95 && ratio < 1.05, qPrintable(QString::number(ratio)));
    }

    // A new text cuts the old one short even while Flite makes the old one's next utterance: at
    // this pace each is made as soon as the one before has been handed on. Making the rest of the
    // old text first would take longer than Speak waits. The voice process that made it is ended,
    // the next text has a new one, and none is left once the engine ends.
    void cutShortWhileTheNextIsMade()
    {
        QStringList sentences;
        for (int i = 0; i < 400; ++i)
            sentences << kLong;
        auto output = std::make_shared<MemoryOutput>();
        {
            FliteEngine engine(output, WORDLARK_VOICE_PROGRAM);
            engine.Speak(sentences.join(u' '));
            engine.Speak(kShort);
            QVERIFY(output->WaitForClosedTakes(2, 10s));
            engine.Speak(kLong + u' ' + kShort);
            QVERIFY(output->WaitForClosedTakes(3, 10s));
        }
        const auto takes = output->Takes();
        QCOMPARE(takes.size(), std::size_t{3});
        QVERIFY(!takes[0].drained);
        QVERIFY(takes[1].drained);
        QCOMPARE(takes[1].samples.size(), fliteAlone(kShort));
        QVERIFY(takes[2].drained && speechOf(takes[2].samples).size() > fliteAlone(kShort));
        QVERIFY(::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD);
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
