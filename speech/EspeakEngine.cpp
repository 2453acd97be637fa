#include "EspeakEngine.h"

#include "AlsaOutput.h"

#include <QFile>
#include <QFileInfo>

#include <espeak-ng/espeak_ng.h>

#include <chrono>

static_assert(EspeakEngine::kMinSpeed == espeakRATE_MINIMUM);
static_assert(EspeakEngine::kMaxSpeed == espeakRATE_MAXIMUM);
static_assert(EspeakEngine::kDefaultSpeed == espeakRATE_NORMAL);

namespace {

// Short buffers so the first samples leave espeak-ng soon after it starts on a sentence.
constexpr int kChunkMs = 20;
// Speak waits this long at most for the worker; only a hung device could take that long.
constexpr auto kAnswerTimeout = std::chrono::seconds(3);

std::atomic<bool> engineExists = false;

std::string StatusText(espeak_ng_STATUS status)
{
    char text[256] = {};
    espeak_ng_GetStatusCodeMessage(status, text, sizeof text);
    return text;
}

} // namespace

// The sentence being synthesized, as the synth callback sees it.
struct EspeakEngine::Sentence {
    EspeakEngine& engine;
    std::uint64_t id;
    std::stop_token stop;
    bool started = false;
    std::string error;

    static thread_local Sentence* current;

    static int OnSamples(short* samples, int count, espeak_EVENT*)
    {
        Sentence& s = *current;
        if (s.stop.stop_requested())
            return 1;
        if (samples == nullptr || count <= 0)
            return 0;
        // Nothing may unwind through espeak-ng.
        try {
            if (!s.engine.output_->Write({samples, static_cast<std::size_t>(count)}, s.stop))
                return 1;
        } catch (const std::exception& e) {
            s.error = e.what();
            return 1;
        } catch (...) {
            s.error = "Audio output failed";
            return 1;
        }
        if (!s.started) {
            s.started = true;
            s.engine.Acknowledge(s.id, {});
        }
        return 0;
    }
};

thread_local EspeakEngine::Sentence* EspeakEngine::Sentence::current = nullptr;

EspeakEngine::OneAtATime::OneAtATime()
{
    if (engineExists.exchange(true))
        throw std::logic_error("espeak-ng allows one speech engine at a time");
}

EspeakEngine::OneAtATime::~OneAtATime()
{
    engineExists = false;
}

EspeakEngine::EspeakEngine(std::shared_ptr<AudioOutput> output, EspeakVoice voice)
    : output_(std::move(output))
    , voice_(std::move(voice))
    , worker_([this](std::stop_token quit) { Run(std::move(quit)); })
{
}

EspeakEngine::~EspeakEngine()
{
    {
        const std::scoped_lock lock(mutex_);
        sentenceStop_.request_stop();
    }
    worker_.request_stop();
    worker_.join();
}

void EspeakEngine::SetSpeed(std::int32_t wordsPerMinute)
{
    // espeak_ng_SetParameter() accepts any rate, so the bounds are checked here: passing on a rate
    // it will not honour would let the learner believe in a speed that is not heard.
    if (wordsPerMinute < kMinSpeed || wordsPerMinute > kMaxSpeed)
        throw SpeechError("Speech speed must be " + std::to_string(kMinSpeed) + " to " +
                          std::to_string(kMaxSpeed) + " words per minute, not " +
                          std::to_string(wordsPerMinute));
    speed_ = wordsPerMinute;
}

void EspeakEngine::Speak(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    std::unique_lock lock(mutex_);
    if (laterError_) {
        const std::string error = std::move(*laterError_);
        laterError_.reset();
        throw SpeechError(error);
    }
    sentenceStop_.request_stop();
    sentenceStop_ = std::stop_source();
    const std::uint64_t id = ++lastId_;
    request_ = Request{id, std::move(utf8), speed_, sentenceStop_.get_token()};
    requested_.notify_one();

    if (!acknowledged_.wait_for(lock, kAnswerTimeout, [&] { return acknowledgedId_ >= id; })) {
        sentenceStop_.request_stop();
        throw SpeechError("Speech output is not responding");
    }
    if (acknowledgedId_ == id && !acknowledgedError_.empty())
        throw SpeechError(acknowledgedError_);
}

void EspeakEngine::Run(std::stop_token quit)
{
    // Every espeak-ng call happens on this thread: its state is global and unguarded.
    const std::string loadError = Load();
    std::unique_lock lock(mutex_);
    while (requested_.wait(lock, quit, [&] { return request_.has_value(); })) {
        const Request request = std::move(*request_);
        request_.reset();
        lock.unlock();
        if (loadError.empty())
            Say(request);
        else
            Acknowledge(request.id, loadError);
        lock.lock();
    }
}

std::string EspeakEngine::Load()
{
    static std::mutex loading;
    static bool loaded = false;
    static QString loadedPath;

    const QString& path = voice_.dataPath;
    // espeak-ng quietly falls back to its built-in data when the folder given holds none, which
    // would hide a broken installation.
    if (!path.isEmpty() && !QFileInfo(path + QStringLiteral("/phontab")).isFile())
        return "No speech data in \"" + path.toStdString() + "\"";

    const std::scoped_lock lock(loading);
    if (!loaded) {
        // espeak-ng 1.51 deadlocks in espeak_ng_Terminate() once it has been initialised a second
        // time, so it is initialised once and left to the end of the process.
        espeak_ng_InitializePath(path.isEmpty() ? nullptr : QFile::encodeName(path).constData());
        espeak_ng_ERROR_CONTEXT context = nullptr;
        espeak_ng_STATUS status = espeak_ng_Initialize(&context);
        espeak_ng_ClearErrorContext(&context);
        if (status != ENS_OK)
            return "Speech data cannot be loaded: " + StatusText(status);
        // espeak-ng's own playback reports success even with no sound device at all, so it only
        // makes the samples, and the output plays them and reports what goes wrong.
        status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, kChunkMs, nullptr);
        if (status != ENS_OK)
            return "Speech output cannot be set up: " + StatusText(status);
        loaded = true;
        loadedPath = path;
    } else if (path != loadedPath) {
        return "Speech data is already loaded from elsewhere than \"" + path.toStdString() + "\"";
    }
    const espeak_ng_STATUS status = espeak_ng_SetVoiceByName(voice_.name.toUtf8().constData());
    if (status != ENS_OK)
        return "No voice \"" + voice_.name.toStdString() + "\": " + StatusText(status);
    sampleRate_ = espeak_ng_GetSampleRate();
    return {};
}

void EspeakEngine::Say(const Request& request)
{
    Sentence sentence{*this, request.id, request.stop, false, {}};
    try {
        output_->Open(sampleRate_);
        const espeak_ng_STATUS rated = espeak_ng_SetParameter(espeakRATE, request.speed, 0);
        if (rated != ENS_OK)
            throw SpeechError("Speech speed refused: " + StatusText(rated));
        // Set each time: the callback is process-wide and carries no context of its own.
        espeak_SetSynthCallback(&Sentence::OnSamples);
        Sentence::current = &sentence;
        const espeak_ng_STATUS status =
            espeak_ng_Synthesize(request.text.constData(), request.text.size() + 1, 0,
                                 POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
        Sentence::current = nullptr;
        if (!sentence.error.empty())
            throw SpeechError(sentence.error);
        if (status != ENS_OK && status != ENS_SPEECH_STOPPED)
            throw SpeechError("Speech synthesis failed: " + StatusText(status));
        output_->Drain(request.stop);
    } catch (const std::exception& e) {
        sentence.error = e.what();
    }
    if (!sentence.started) {
        Acknowledge(request.id, sentence.error);
    } else if (!sentence.error.empty() && !request.stop.stop_requested()) {
        const std::scoped_lock lock(mutex_);
        laterError_ = sentence.error;
    }
    output_->Close();
}

void EspeakEngine::Acknowledge(std::uint64_t id, std::string error)
{
    const std::scoped_lock lock(mutex_);
    acknowledgedId_ = id;
    acknowledgedError_ = std::move(error);
    acknowledged_.notify_all();
}

std::unique_ptr<SpeechEngine> MakeSpeechEngine()
{
    // ALSA rather than espeak-ng's own playback, which claims success with no device at all.
    // "default" reaches the desktop's sound server where there is one, and ALSA says plainly when
    // the device is missing, busy or failing; the program links it anyway.

    return std::make_unique<EspeakEngine>(std::make_shared<AlsaOutput>("default"));
}
