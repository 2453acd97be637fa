#include "FliteEngine.h"

#include "AlsaOutput.h"
#include "Utterances.h"

#include <flite/flite.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <deque>
#include <limits>
#include <utility>

extern "C" cst_voice* register_cmu_us_rms(const char* voxdir);

namespace {

// Samples per call of the streaming callback: 16 ms of the voice's 16 kHz, so the first of them
// leave Flite as soon as it starts on the waveform.
constexpr int kChunkSamples = 256;
// Speak waits this long at most for the worker; only a hung device could take that long.
constexpr auto kAnswerTimeout = std::chrono::seconds(3);

std::atomic<bool> engineExists = false;

// Runs `call` with Flite's error jump set. Unset, Flite ends the whole process on an internal
// error; set, it jumps back here and the call counts as failed. The jump skips every frame in
// between without unwinding, so `call` and everything below it hold nothing with a destructor:
// plain pointers into Flite's C code, and the streaming callback catches all it throws itself.
bool guarded(void (*call)(void*), void* context) noexcept
{
    std::jmp_buf back;
    cst_errjmp = &back;
    if (setjmp(back) == 0) {
        call(context);
        cst_errjmp = nullptr;
        return true;
    }
    cst_errjmp = nullptr;
    return false;
}

// One utterance from text to streamed samples, as guarded() runs it.
struct Synthesis {
    cst_voice* voice;
    const char* text;
    float stretch;
    cst_audio_stream_callback onSamples;
    void* stream;
    cst_utterance* utterance = nullptr; // still to be deleted, if the jump came
    bool said = false;
};

void synthesize(void* context)
{
    Synthesis& s = *static_cast<Synthesis*>(context);
    cst_audio_streaming_info* streaming = new_audio_streaming_info();
    streaming->asc = s.onSamples;
    streaming->min_buffsize = kChunkSamples;
    streaming->userdata = s.stream;
    s.utterance = new_utterance();
    // The callback reads the utterance's segments to find its silences.
    streaming->utt = s.utterance;
    utt_set_input_text(s.utterance, s.text);
    // The utterance owns the streaming info from here, and its features override the voice's.
    feat_set(s.utterance->features, "streaming_info", audio_streaming_info_val(streaming));
    feat_set_float(s.utterance->features, "duration_stretch", s.stretch);
    // Deletes the utterance itself when synthesis fails.
    cst_utterance* said = flite_do_synth(s.utterance, s.voice, utt_synth);
    s.utterance = nullptr;
    if (said != nullptr) {
        delete_utterance(said);
        s.said = true;
    }
}

// Also listed under its name "rms", as Flite's own tools find their voices.
void loadVoice(void* voice)
{
    flite_init();
    cst_voice* rms = register_cmu_us_rms(nullptr);
    if (rms != nullptr)
        flite_add_voice(rms);
    *static_cast<cst_voice**>(voice) = rms;
}

void deleteUtterance(void* utterance)
{
    delete_utterance(static_cast<cst_utterance*>(utterance));
}

// Flite's voice list is global and registering a voice twice would list it twice, so the voice
// is loaded once for the process and kept to its end.
cst_voice* processVoice()
{
    static cst_voice* voice = nullptr;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        if (!guarded(&loadVoice, &voice))
            voice = nullptr;
    });
    return voice;
}

// Where an utterance's speech lies in its samples: Flite's segments begin and end with a silence.
// Only features Flite has set are read, so no error can jump out of here.
struct Silences {
    long lead = 0;        // samples before the speech
    long trailStart = -1; // where the silence after it begins; -1 when unknown
};

Silences silencesOf(const cst_utterance* utterance, int sampleRate) noexcept
{
    Silences silences;
    cst_relation* segments = utterance == nullptr ? nullptr : utt_relation(utterance, "Segment");
    const cst_item* first = segments == nullptr ? nullptr : relation_head(segments);
    const cst_item* last = segments == nullptr ? nullptr : relation_tail(segments);
    const cst_item* beforeLast = last == nullptr ? nullptr : item_prev(last);
    if (first == nullptr || beforeLast == nullptr || !item_feat_present(first, "end") ||
        !item_feat_present(beforeLast, "end"))
        return silences;
    silences.lead = std::lround(double(item_feat_float(first, "end")) * sampleRate);
    silences.trailStart = std::lround(double(item_feat_float(beforeLast, "end")) * sampleRate);
    return silences;
}

// Flite's text analysis alone, up to the segments, which takes well under a millisecond.
const cst_synth_module kAnalysis[] = {{"tokenizer_func", default_tokenization},
                                      {"textanalysis_func", default_textanalysis},
                                      {"pos_tagger_func", nullptr},
                                      {"phrasing_func", default_phrasing},
                                      {"lexical_insertion_func", default_lexical_insertion},
                                      {"pause_insertion_func", default_pause_insertion},
                                      {nullptr, nullptr}};

cst_utterance* analyse(cst_utterance* utterance)
{
    return apply_synth_method(utterance, kAnalysis);
}

struct Analysis {
    cst_voice* voice;
    const char* text;
    cst_utterance* utterance = nullptr; // still to be deleted, if the jump came
    int segments = 0;
};

void countSegments(void* context)
{
    Analysis& a = *static_cast<Analysis*>(context);
    a.utterance = new_utterance();
    utt_set_input_text(a.utterance, a.text);
    cst_utterance* analysed = flite_do_synth(a.utterance, a.voice, &analyse);
    a.utterance = nullptr;
    if (analysed == nullptr)
        return;
    for (cst_item* s = relation_head(utt_relation(analysed, "Segment")); s; s = item_next(s))
        ++a.segments;
    delete_utterance(analysed);
}

// How many segments (phones and pauses) Flite makes of `text`; 0 if its analysis fails, which
// the synthesis will then report.
int segmentsOf(cst_voice* voice, const char* text)
{
    Analysis analysis{voice, text};
    if (!guarded(&countSegments, &analysis))
        analysis.segments = 0;
    if (analysis.utterance != nullptr)
        guarded(&deleteUtterance, analysis.utterance);
    return analysis.segments;
}

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

// One utterance of a text, as the streaming callback sees it. Between two utterances it leaves
// exactly the voice's own pause: of Flite's silence it keeps half the pause at the end of the
// utterance before, and the rest from the start of the next, padded with zeros if too short.
struct FliteEngine::Stream {
    FliteEngine& engine;
    Speech& speech;
    double pauseBefore; // seconds; below 0 for the first utterance, which keeps Flite's silence
    double pauseAfter;  // seconds; below 0 for the last
    long tailBefore;    // samples of silence the utterance before kept after its speech

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

    void measure(const cst_utterance* utterance, int sampleRate) noexcept
    {
        measured = true;
        const Silences silences = silencesOf(utterance, sampleRate);
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

    static int onSamples(const cst_wave* wave, int start, int size, int,
                         cst_audio_streaming_info* info)
    {
        Stream& s = *static_cast<Stream*>(info->userdata);
        if (s.speech.stop.stop_requested())
            return CST_AUDIO_STREAM_STOP;
        if (size <= 0)
            return CST_AUDIO_STREAM_CONT;
        if (!s.measured)
            s.measure(info->utt, wave->sample_rate);
        const long begin = std::max<long>(start, s.from);
        const long end = std::min<long>(long(start) + size, s.until);
        if (begin >= end)
            return CST_AUDIO_STREAM_CONT;
        // Nothing may unwind through Flite.
        try {
            std::vector<std::int16_t> samples(static_cast<std::size_t>(s.padding), 0);
            samples.insert(samples.end(), wave->samples + begin, wave->samples + end);
            s.padding = 0;
            s.end = end;
            s.engine.queue(s.speech, wave->sample_rate, std::move(samples));
        } catch (const std::exception& e) {
            s.error = e.what();
            return CST_AUDIO_STREAM_STOP;
        } catch (...) {
            s.error = "Speech synthesis failed";
            return CST_AUDIO_STREAM_STOP;
        }
        return CST_AUDIO_STREAM_CONT;
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

FliteEngine::FliteEngine(std::shared_ptr<AudioOutput> output)
    : m_output(std::move(output))
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
    std::unique_lock lock(m_mutex);
    while (m_changed.wait(lock, quit, [&] { return m_speech && !m_speech->taken; })) {
        const std::shared_ptr<Speech> speech = m_speech;
        speech->taken = true;
        lock.unlock();
        std::string failure;
        try {
            makeSpeech(*speech);
        } catch (const std::exception& e) {
            failure = e.what();
        }
        lock.lock();
        speech->failure = std::move(failure);
        speech->made = true;
        m_changed.notify_all();
    }
}

void FliteEngine::makeSpeech(Speech& speech)
{
    cst_voice* voice = processVoice();
    if (voice == nullptr)
        throw SpeechError("The speech voice cannot be loaded");
    const std::vector<Utterance> utterances = SplitIntoUtterances(speech.text);
    std::deque<Utterance> pending(utterances.begin(), utterances.end());
    const double stretch = kWordsPerMinuteAtStretchOne / speech.speed;
    double pauseBefore = -1;
    long tail = 0;
    for (bool first = true; !pending.empty(); first = false) {
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
        if (utterance.text.size() > 1 && segmentsOf(voice, text.constData()) > kMaxSegments) {
            auto [front, back] = halvesOf(utterance);
            pending.push_front(std::move(back));
            pending.push_front(std::move(front));
            continue;
        }
        const double pauseAfter =
            pending.empty()
                ? -1.0
                : (utterance.endsSentence ? kSentencePauseSeconds : kClausePauseSeconds) * stretch;
        Stream stream{*this, speech, pauseBefore, pauseAfter, tail};
        Synthesis synthesis{voice, text.constData(), static_cast<float>(stretch),
                            &Stream::onSamples, &stream};
        const bool finished = guarded(&synthesize, &synthesis);
        // What the jump left behind; should deleting it fail too, it stays behind.
        if (synthesis.utterance != nullptr)
            guarded(&deleteUtterance, synthesis.utterance);
        if (!stream.error.empty())
            throw SpeechError(stream.error);
        if (speech.stop.stop_requested())
            return;
        if (!finished || !synthesis.said)
            throw SpeechError("Speech synthesis failed");
        tail = stream.tailAfter();
        pauseBefore = pauseAfter;
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

std::unique_ptr<SpeechEngine> MakeSpeechEngine()
{
    // ALSA's "default" reaches the desktop's sound server where there is one, and says plainly
    // when the device is missing, busy or failing.
    return std::make_unique<FliteEngine>(std::make_shared<AlsaOutput>("default"));
}
