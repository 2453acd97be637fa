#pragma once

#include "AudioOutput.h"
#include "SpeechEngine.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

class VoiceProcess;

// Speaks English through Flite with its voice cmu_us_rms. The text is said one utterance after
// another (Utterances.h): the worker thread, the only one that calls into Flite, makes each while
// the one before sounds, and the player thread streams the samples to `output` as they come.
// Flite can't be stopped while it predicts an utterance's sound, before the first samples, so
// the worker has the utterances after the first made by the voice process (VoiceMain.cpp) when
// one is given, which a new text ends at once; without one, or when it can't be started, they
// are made here. Flite keeps its voices and its error jump per process, so there is one engine
// at a time.
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
    // The silence the voice makes at a sentence end and at a comma inside one utterance, at a
    // stretch of 1. Flite begins an utterance with some 160 ms of silence and ends it with some
    // 190 ms, so two utterances are joined with this instead. Flite's silent segments last 92 ms
    // (median; 52 to 173) between two of the benchmark's sentences said as one utterance, and
    // 62 ms (52 to 110) at a comma; 86 ms makes the quiet between two utterances as long, on
    // average, as between two sentences inside one (bench_speech).
    static constexpr double kSentencePauseSeconds = 0.086;
    static constexpr double kClausePauseSeconds = 0.062;
    // Segments (phones and pauses) of one utterance at most, some seven seconds of speech: an
    // utterance that says more, such as a long number, is halved until it fits.
    static constexpr int kMaxSegments = 90;
    // How much sound the worker keeps made ahead of the output before it begins the next
    // utterance: far more than an utterance takes to start, little enough that a new text rarely
    // finds Flite busy with the old one.
    static constexpr double kAheadSeconds = 1.0;

    explicit FliteEngine(std::shared_ptr<AudioOutput> output, std::string voiceProgram = {});
    ~FliteEngine() override;
    FliteEngine(const FliteEngine&) = delete;
    FliteEngine& operator=(const FliteEngine&) = delete;

    void SetSpeed(std::int32_t wordsPerMinute) override;
    // Waits only until the first samples are queued on the device. A failure after that (of the
    // device, or of Flite on a later utterance) cannot fail this call; the next Speak throws it
    // instead of speaking.
    void Speak(const QString& text) override;

private:
    struct Speech;
    struct Stream;

    class OneAtATime {
    public:
        OneAtATime();
        ~OneAtATime();
        OneAtATime(const OneAtATime&) = delete;
        OneAtATime& operator=(const OneAtATime&) = delete;
    };

    void make(std::stop_token quit);
    void makeSpeech(Speech& speech, VoiceProcess* voiceProcess);
    void queue(Speech& speech, int sampleRate, std::vector<std::int16_t> samples);
    void play(std::stop_token quit);
    void playSpeech(Speech& speech, std::unique_lock<std::mutex>& lock);
    void answer(Speech& speech, std::string error);

    OneAtATime m_claim;
    const std::shared_ptr<AudioOutput> m_output;
    const std::string m_voiceProgram;
    std::atomic<std::int32_t> m_speed = kDefaultSpeed;

    std::mutex m_mutex;
    std::condition_variable_any m_changed; // a new text, new samples, samples taken
    std::condition_variable m_answered;
    std::shared_ptr<Speech> m_speech;        // the text asked for last
    std::optional<std::string> m_laterError; // a failure after its Speak had returned

    // Last, so they start once everything above exists.
    std::jthread m_worker;
    std::jthread m_player;
};

// The voice process that came with the program, or nothing if it isn't there.
std::string VoiceProgram();

// The program's speech: Flite played through the default ALSA device.
std::unique_ptr<SpeechEngine> MakeSpeechEngine();
