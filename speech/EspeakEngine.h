#pragma once

#include "AudioOutput.h"
#include "SpeechEngine.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

struct EspeakVoice {
    QString dataPath; // an espeak-ng-data folder; empty for espeak-ng's own
    QString name = QStringLiteral("en-us");
};

// Speaks English through espeak-ng, streaming the samples to `output` while they are made.
// espeak-ng keeps its state per process and cannot be started twice, so there is one engine at a
// time, and the speech data it loads first serves the whole process.
class EspeakEngine final : public SpeechEngine {
public:
    // espeak-ng's own bounds: below the minimum it silently speaks at the minimum, and far above
    // the maximum its speed-up breaks down into silence.
    static constexpr std::int32_t kMinSpeed = 80;
    static constexpr std::int32_t kMaxSpeed = 450;
    static constexpr std::int32_t kDefaultSpeed = 175;

    // Never fails for want of voice data or a device: those are reported by Speak.
    explicit EspeakEngine(std::shared_ptr<AudioOutput> output, EspeakVoice voice = {});
    ~EspeakEngine() override;
    EspeakEngine(const EspeakEngine&) = delete;
    EspeakEngine& operator=(const EspeakEngine&) = delete;

    void SetSpeed(std::int32_t wordsPerMinute) override;
    // Waits only until the first samples are queued on the device. A device that fails after that
    // cannot fail this call; the next Speak throws that failure instead of speaking.
    void Speak(const QString& text) override;

private:
    struct Request {
        std::uint64_t id = 0;
        QByteArray text;
        std::int32_t speed = kDefaultSpeed;
        std::stop_token stop;
    };
    struct Sentence;

    class OneAtATime {
    public:
        OneAtATime();
        ~OneAtATime();
        OneAtATime(const OneAtATime&) = delete;
        OneAtATime& operator=(const OneAtATime&) = delete;
    };

    void Run(std::stop_token quit);
    std::string Load();
    void Say(const Request& request);
    void Acknowledge(std::uint64_t id, std::string error);

    OneAtATime claim_;
    const std::shared_ptr<AudioOutput> output_;
    const EspeakVoice voice_;
    std::atomic<std::int32_t> speed_ = kDefaultSpeed;
    int sampleRate_ = 0; // worker thread only

    std::mutex mutex_;
    std::condition_variable_any requested_;
    std::condition_variable acknowledged_;
    std::optional<Request> request_;
    std::stop_source sentenceStop_; // of the sentence asked for last
    std::uint64_t lastId_ = 0;
    std::uint64_t acknowledgedId_ = 0;
    std::string acknowledgedError_;
    std::optional<std::string> laterError_; // a failure after its Speak had returned

    std::jthread worker_; // last, so it starts once everything above exists
};

// The program's speech: espeak-ng played through the default ALSA device.
std::unique_ptr<SpeechEngine> MakeSpeechEngine();
