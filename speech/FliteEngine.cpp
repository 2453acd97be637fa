#include "FliteEngine.h"

#include "AlsaOutput.h"

#include <flite/flite.h>

#include <chrono>
#include <csetjmp>

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

// One sentence from text to streamed samples, as guarded() runs it.
struct Synthesis {
    cst_voice* voice;
    const char* text;
    float stretch;
    cst_audio_stream_callback onSamples;
    void* sentence;
    cst_utterance* utterance = nullptr; // still to be deleted, if the jump came
    bool said = false;
};

void synthesize(void* context)
{
    Synthesis& s = *static_cast<Synthesis*>(context);
    cst_audio_streaming_info* streaming = new_audio_streaming_info();
    streaming->asc = s.onSamples;
    streaming->min_buffsize = kChunkSamples;
    streaming->userdata = s.sentence;
    s.utterance = new_utterance();
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

} // namespace

// The sentence being synthesized, as the streaming callback sees it.
struct FliteEngine::Sentence {
    FliteEngine& engine;
    std::uint64_t id;
    std::stop_token stop;
    bool opened = false;
    bool started = false;
    std::string error;

    static int onSamples(const cst_wave* wave, int start, int size, int,
                         cst_audio_streaming_info* info)
    {
        Sentence& s = *static_cast<Sentence*>(info->userdata);
        if (s.stop.stop_requested())
            return CST_AUDIO_STREAM_STOP;
        if (size <= 0)
            return CST_AUDIO_STREAM_CONT;
        // Nothing may unwind through Flite.
        try {
            // Opened at the first samples: only they tell the voice's sample rate.
            if (!s.opened) {
                s.engine.m_output->Open(wave->sample_rate);
                s.opened = true;
            }
            if (!s.engine.m_output->Write({wave->samples + start, static_cast<std::size_t>(size)},
                                          s.stop))
                return CST_AUDIO_STREAM_STOP;
        } catch (const std::exception& e) {
            s.error = e.what();
            return CST_AUDIO_STREAM_STOP;
        } catch (...) {
            s.error = "Audio output failed";
            return CST_AUDIO_STREAM_STOP;
        }
        if (!s.started) {
            s.started = true;
            s.engine.acknowledge(s.id, {});
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
    , m_worker([this](std::stop_token quit) { run(std::move(quit)); })
{
}

FliteEngine::~FliteEngine()
{
    {
        const std::scoped_lock lock(m_mutex);
        m_sentenceStop.request_stop();
    }
    m_worker.request_stop();
    m_worker.join();
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
    QByteArray utf8 = text.toUtf8();
    std::unique_lock lock(m_mutex);
    if (m_laterError) {
        const std::string error = std::move(*m_laterError);
        m_laterError.reset();
        throw SpeechError(error);
    }
    m_sentenceStop.request_stop();
    m_sentenceStop = std::stop_source();
    const std::uint64_t id = ++m_lastId;
    m_request = Request{id, std::move(utf8), m_speed, m_sentenceStop.get_token()};
    m_requested.notify_one();

    if (!m_acknowledged.wait_for(lock, kAnswerTimeout, [&] { return m_acknowledgedId >= id; })) {
        m_sentenceStop.request_stop();
        throw SpeechError("Speech output is not responding");
    }
    if (m_acknowledgedId == id && !m_acknowledgedError.empty())
        throw SpeechError(m_acknowledgedError);
}

void FliteEngine::run(std::stop_token quit)
{
    std::unique_lock lock(m_mutex);
    while (m_requested.wait(lock, quit, [&] { return m_request.has_value(); })) {
        const Request request = std::move(*m_request);
        m_request.reset();
        lock.unlock();
        say(request);
        lock.lock();
    }
}

void FliteEngine::say(const Request& request)
{
    Sentence sentence{*this, request.id, request.stop, false, false, {}};
    try {
        cst_voice* voice = processVoice();
        if (voice == nullptr)
            throw SpeechError("The speech voice cannot be loaded");
        Synthesis synthesis{voice, request.text.constData(),
                            static_cast<float>(kWordsPerMinuteAtStretchOne / request.speed),
                            &Sentence::onSamples, &sentence};
        const bool finished = guarded(&synthesize, &synthesis);
        // What the jump left behind; should deleting it fail too, it stays behind.
        if (synthesis.utterance != nullptr)
            guarded(&deleteUtterance, synthesis.utterance);
        if (!sentence.error.empty())
            throw SpeechError(sentence.error);
        if (!finished || !synthesis.said)
            throw SpeechError("Speech synthesis failed");
        if (sentence.started)
            m_output->Drain(request.stop);
    } catch (const std::exception& e) {
        sentence.error = e.what();
    }
    if (!sentence.started) {
        acknowledge(request.id, sentence.error);
    } else if (!sentence.error.empty() && !request.stop.stop_requested()) {
        const std::scoped_lock lock(m_mutex);
        m_laterError = sentence.error;
    }
    m_output->Close();
}

void FliteEngine::acknowledge(std::uint64_t id, std::string error)
{
    const std::scoped_lock lock(m_mutex);
    m_acknowledgedId = id;
    m_acknowledgedError = std::move(error);
    m_acknowledged.notify_all();
}

std::unique_ptr<SpeechEngine> MakeSpeechEngine()
{
    // ALSA's "default" reaches the desktop's sound server where there is one, and says plainly
    // when the device is missing, busy or failing.
    return std::make_unique<FliteEngine>(std::make_shared<AlsaOutput>("default"));
}
