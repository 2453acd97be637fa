#include "FliteEngine.h"

#include "AlsaOutput.h"
#include "Utterances.h"

#include "FliteVoice.h"
#include "VoiceProcess.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <limits>
#include <utility>

namespace {

// Speak waits this long at most for the worker; only a hung device could take that long.
constexpr auto kAnswerTimeout = std::chrono::seconds(3);

std::atomic<bool> engineExists = false;

// An utterance cut in two at the space nearest its middle, or at the middle.
std::pair<Utterance, Utterance> halvesOf(const Utterance& utterance)
{
    const QString& text = utterance.text;
    const qsizetype middle = text.size() / 2;
    qsizetype cut = text[middle - 1].isHighSurrogate() ? middle - 1 : middle;
    for (qsizetype distance = 0; distance < middle; ++distance) {
        if (text[middle - distance].isSpace() || text[middle + distance].isSpace()) {
            cut = text[middle - distance].isSpace() ? middle - distance : middle + distance;
            break;
        }
    }
    if (cut == 0)
        cut = middle;
    return {{text.first(cut).trimmed(), false},
            {text.sliced(cut).trimmed(), utterance.endsSentence}};
}

} // namespace

// A text on its way from Flite to the output.
struct FliteEngine::Speech {
    Speech(QString said, std::int32_t wordsPerMinute)
        : text(std::move(said))
        , speed(wordsPerMinute)
    {
    }

    const QString text;
    const std::int32_t speed;
    std::stop_source stopSource; // a new text, the engine's end, or a failure
    const std::stop_token stop = stopSource.get_token();

    // The rest under m_mutex.
    bool taken = false; // by the worker
    bool made = false;  // the worker has done with it
    std::string failure;
    int sampleRate = 0;
    std::deque<std::vector<std::int16_t>> samples; // made, not yet handed to the output
    std::size_t queued = 0;                        // how many samples those are
    bool answered = false;                         // the Speak may return
    std::string answer;
};

// One utterance of a text, as its samples come from Flite. Between two utterances it leaves
// exactly the voice's own pause: of Flite's silence it keeps half the pause at the end of the
// utterance before, and the rest from the start of the next, padded with zeros if too short.
struct FliteEngine::Stream final : FliteVoice::SampleSink {
    Stream(FliteEngine& owner, Speech& said, double before, double after, long tail)
        : engine(owner)
        , speech(said)
        , pauseBefore(before)
        , pauseAfter(after)
        , tailBefore(tail)
    {
    }

    FliteEngine& engine;
    Speech& speech;
    const double pauseBefore; // seconds; below 0 for the first utterance: Flite's silence stays
    const double pauseAfter;  // seconds; below 0 for the last
    const long tailBefore;    // samples of silence the utterance before kept after its speech

    bool measured = false;
    long from = 0;
    long until = std::numeric_limits<long>::max();
    long padding = 0;
    long trailStart = -1;
    long end = 0; // after the last sample handed on
    std::string error{};

    // Samples of silence this utterance leaves after its speech, for the next to add to.
    long tailAfter() const
    {
        if (end == 0)
            return tailBefore; // said nothing: the pause before it still stands
        return trailStart < 0 ? 0 : std::max(0L, end - trailStart);
    }

    void measure(const FliteVoice::Silences& silences, int sampleRate) noexcept
    {
        measured = true;
        if (pauseBefore >= 0) {
            const long pause = std::lround(pauseBefore * sampleRate);
            const long lead = std::min(silences.lead, std::max(0L, pause - tailBefore));
            from = silences.lead - lead;
            padding = std::max(0L, pause - tailBefore - lead);
        }
        trailStart = silences.trailStart;
        if (pauseAfter >= 0 && trailStart >= 0)
            until = trailStart + std::lround(pauseAfter * sampleRate) / 2;
    }

    bool take(const FliteVoice::Silences& silences, int sampleRate, const std::int16_t* chunk,
              long start, long size) noexcept override
    {
        if (speech.stop.stop_requested())
            return false;
        if (size <= 0)
            return true;
        if (!measured)
            measure(silences, sampleRate);
        const long first = std::max(start, from);
        const long last = std::min(start + size, until);
        if (first >= last)
            return true;
        // Nothing may unwind through Flite.
        try {
            std::vector<std::int16_t> samples(static_cast<std::size_t>(padding), 0);
            samples.insert(samples.end(), chunk + (first - start), chunk + (last - start));
            padding = 0;
            end = last;
            engine.queue(speech, sampleRate, std::move(samples));
        } catch (const std::exception& e) {
            error = e.what();
            return false;
        } catch (...) {
            error = "Speech synthesis failed";
            return false;
        }
        return true;
    }
};

FliteEngine::OneAtATime::OneAtATime()
{
    if (engineExists.exchange(true))
        throw std::logic_error("Flite allows one speech engine at a time");
}

FliteEngine::OneAtATime::~OneAtATime()
{
    engineExists = false;
}

FliteEngine::FliteEngine(std::shared_ptr<AudioOutput> output, std::string voiceProgram)
    : m_output(std::move(output))
    , m_voiceProgram(std::move(voiceProgram))
    , m_worker([this](std::stop_token quit) { make(std::move(quit)); })
    , m_player([this](std::stop_token quit) { play(std::move(quit)); })
{
}

FliteEngine::~FliteEngine()
{
    {
        const std::scoped_lock lock(m_mutex);
        if (m_speech)
            m_speech->stopSource.request_stop();
    }
    m_worker.request_stop();
    m_player.request_stop();
    m_worker.join();
    m_player.join();
}

void FliteEngine::SetSpeed(std::int32_t wordsPerMinute)
{
    if (wordsPerMinute < kMinSpeed || wordsPerMinute > kMaxSpeed)
        throw SpeechError("Speech speed must be " + std::to_string(kMinSpeed) + " to " +
                          std::to_string(kMaxSpeed) + " words per minute, not " +
                          std::to_string(wordsPerMinute));
    m_speed = wordsPerMinute;
}

void FliteEngine::Speak(const QString& text)
{
    std::unique_lock lock(m_mutex);
    if (m_laterError) {
        const std::string error = std::move(*m_laterError);
        m_laterError.reset();
        throw SpeechError(error);
    }
    // Both threads drop the old text at once, whatever part of it they are at.
    if (m_speech)
        m_speech->stopSource.request_stop();
    const auto speech = std::make_shared<Speech>(text, m_speed.load());
    m_speech = speech;
    m_changed.notify_all();

    if (!m_answered.wait_for(lock, kAnswerTimeout, [&] { return speech->answered; })) {
        speech->stopSource.request_stop();
        throw SpeechError("Speech output is not responding");
    }
    if (!speech->answer.empty())
        throw SpeechError(speech->answer);
}

void FliteEngine::make(std::stop_token quit)
{
    std::optional<VoiceProcess> voiceProcess;
    if (!m_voiceProgram.empty())
        voiceProcess.emplace(m_voiceProgram);
    std::unique_lock lock(m_mutex);
    while (m_changed.wait(lock, quit, [&] { return m_speech && !m_speech->taken; })) {
        const std::shared_ptr<Speech> speech = m_speech;
        speech->taken = true;
        lock.unlock();
        std::string failure;
        try {
            makeSpeech(*speech, voiceProcess ? &*voiceProcess : nullptr);
        } catch (const std::exception& e) {
            failure = e.what();
        }
        lock.lock();
        speech->failure = std::move(failure);
        speech->made = true;
        m_changed.notify_all();
    }
}

void FliteEngine::makeSpeech(Speech& speech, VoiceProcess* voiceProcess)
{
    cst_voice* voice = FliteVoice::voice();
    if (voice == nullptr)
        throw SpeechError("The speech voice cannot be loaded");
    const std::vector<Utterance> utterances = SplitIntoUtterances(speech.text);
    std::deque<Utterance> pending(utterances.begin(), utterances.end());
    const double stretch = kWordsPerMinuteAtStretchOne / speech.speed;
    double pauseBefore = -1;
    long tail = 0;
    bool first = true; // no utterance made yet
    while (!pending.empty()) {
        if (!first) {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, speech.stop, [&] {
                return double(speech.queued) <= speech.sampleRate * kAheadSeconds;
            });
        }
        if (speech.stop.stop_requested())
            return;
        const Utterance utterance = std::move(pending.front());
        pending.pop_front();
        const QByteArray text = utterance.text.toUtf8();
        // Numbers, symbols and spelled words say far more than words of the same length, and
        // Flite's wait for the first samples grows with what is said.
        if (utterance.text.size() > 1 &&
            FliteVoice::segmentsOf(voice, text.constData()) > kMaxSegments) {
            auto [front, back] = halvesOf(utterance);
            pending.push_front(std::move(back));
            pending.push_front(std::move(front));
            continue;
        }
        const double pauseAfter =
            pending.empty()
                ? -1.0
                : (utterance.endsSentence ? kSentencePauseSeconds : kClausePauseSeconds) * stretch;
        Stream stream(*this, speech, pauseBefore, pauseAfter, tail);
        const auto stretched = static_cast<float>(stretch);
        // The first utterance is made here, where nothing else keeps Flite busy; the later ones
        // in the voice process, which a new text ends at once.
        auto outcome = VoiceProcess::Outcome::Unavailable;
        if (!first && voiceProcess != nullptr)
            outcome = voiceProcess->make(text.toStdString(), stretched, speech.stop, stream);
        if (outcome == VoiceProcess::Outcome::Unavailable)
            outcome = FliteVoice::synthesize(voice, text.constData(), stretched, stream)
                          ? VoiceProcess::Outcome::Made
                          : VoiceProcess::Outcome::Failed;
        if (!stream.error.empty())
            throw SpeechError(stream.error);
        if (speech.stop.stop_requested())
            return;
        if (outcome != VoiceProcess::Outcome::Made)
            throw SpeechError("Speech synthesis failed");
        tail = stream.tailAfter();
        pauseBefore = pauseAfter;
        first = false;
    }
}

void FliteEngine::queue(Speech& speech, int sampleRate, std::vector<std::int16_t> samples)
{
    const std::scoped_lock lock(m_mutex);
    speech.sampleRate = sampleRate;
    speech.queued += samples.size();
    speech.samples.push_back(std::move(samples));
    m_changed.notify_all();
}

void FliteEngine::play(std::stop_token quit)
{
    std::unique_lock lock(m_mutex);
    std::shared_ptr<Speech> played;
    while (m_changed.wait(lock, quit, [&] {
        return m_speech && m_speech != played && (!m_speech->samples.empty() || m_speech->made);
    })) {
        played = m_speech;
        playSpeech(*played, lock);
    }
}

void FliteEngine::playSpeech(Speech& speech, std::unique_lock<std::mutex>& lock)
{
    bool opened = false;
    std::string error;
    for (;;) {
        m_changed.wait(lock, speech.stop, [&] { return !speech.samples.empty() || speech.made; });
        if (speech.stop.stop_requested() || speech.samples.empty())
            break;
        const std::vector<std::int16_t> samples = std::move(speech.samples.front());
        speech.samples.pop_front();
        speech.queued -= samples.size();
        m_changed.notify_all();
        const int sampleRate = speech.sampleRate;
        lock.unlock();
        bool written = false;
        try {
            // Opened at the first samples: only they tell the voice's sample rate.
            if (!opened) {
                m_output->Open(sampleRate);
                opened = true;
            }
            written = m_output->Write(samples, speech.stop);
        } catch (const std::exception& e) {
            error = e.what();
        }
        lock.lock();
        if (!written)
            break;
        if (!speech.answered)
            answer(speech, {});
    }
    if (error.empty() && opened && speech.made && speech.failure.empty() &&
        speech.samples.empty() && !speech.stop.stop_requested()) {
        lock.unlock();
        try {
            m_output->Drain(speech.stop);
        } catch (const std::exception& e) {
            error = e.what();
        }
        lock.lock();
    }
    if (error.empty() && speech.made)
        error = speech.failure;
    if (m_speech.get() != &speech)
        error.clear(); // cut short by a new text: nobody waits for this one any more
    if (!speech.answered)
        answer(speech, error);
    else if (!error.empty())
        m_laterError = error;
    // Whatever ended the playing ends the making: a failing device needs no more samples.
    speech.stopSource.request_stop();
    lock.unlock();
    m_output->Close();
    lock.lock();
}

void FliteEngine::answer(Speech& speech, std::string error)
{
    speech.answered = true;
    speech.answer = std::move(error);
    m_answered.notify_all();
}

std::string VoiceProgram()
{
    // Beside the program in a build, in the libexec folder once installed.
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& place : {folder + QStringLiteral("/wordlark-voice"),
                                 folder + QStringLiteral("/" WORDLARK_VOICE_FROM_BIN)}) {
        if (QFileInfo(place).isExecutable())
            return QFile::encodeName(place).toStdString();
    }
    return {};
}

std::unique_ptr<SpeechEngine> MakeSpeechEngine()
{
    // ALSA's "default" reaches the desktop's sound server where there is one, and says plainly
    // when the device is missing, busy or failing.
    return std::make_unique<FliteEngine>(std::make_shared<AlsaOutput>("default"), VoiceProgram());
}
