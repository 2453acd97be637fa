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

// Speaks English through Flite with its voice cmu_us_rms, streaming the samples to `output` while
// they are made. Flite keeps its voices and its error jump per process, so there is one engine at
// a time, and only its worker thread calls into Flite.
class FliteEngine final : public SpeechEngine {
public:
    // The settings window's range. Speed means words per minute of speech, so a value outside it
    // would be a speed the learner was never offered; it is refused rather than passed on.
    static constexpr std::int32_t kMinSpeed = 160;
    static constexpr std::int32_t kMaxSpeed = 200;
    static constexpr std::int32_t kDefaultSpeed = 180;
    // Words per minute of speech (leading and trailing silence left out, words being what spaces
    // separate) that cmu_us_rms says with Flite's duration_stretch at 1, which is set to this over
    // the speed asked for: a sentence's length is close to proportional to the stretch. Measured
    // 196 over the benchmark's 25 sentences and 204 over the tests' 6; 198 keeps both within 3 %.
    static constexpr double kWordsPerMinuteAtStretchOne = 198;

    explicit FliteEngine(std::shared_ptr<AudioOutput> output);
    ~FliteEngine() override;
    FliteEngine(const FliteEngine&) = delete;
    FliteEngine& operator=(const FliteEngine&) = delete;

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

    void run(std::stop_token quit);
    void say(const Request& request);
    void acknowledge(std::uint64_t id, std::string error);

    OneAtATime m_claim;
    const std::shared_ptr<AudioOutput> m_output;
    std::atomic<std::int32_t> m_speed = kDefaultSpeed;

    std::mutex m_mutex;
    std::condition_variable_any m_requested;
    std::condition_variable m_acknowledged;
    std::optional<Request> m_request;
    std::stop_source m_sentenceStop; // of the sentence asked for last
    std::uint64_t m_lastId = 0;
    std::uint64_t m_acknowledgedId = 0;
    std::string m_acknowledgedError;
    std::optional<std::string> m_laterError; // a failure after its Speak had returned

    std::jthread m_worker; // last, so it starts once everything above exists
};

// The program's speech: Flite played through the default ALSA device.
std::unique_ptr<SpeechEngine> MakeSpeechEngine();
