#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

// Any failure of speech output: missing voice data, synthesis, no audio device, a failing device.
class SpeechError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The only way the windows talk to speech. Both operations throw SpeechError on failure.
class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;

    // Words per minute; later Speak calls use it until the next SetSpeed.
    virtual void SetSpeed(std::int32_t wordsPerMinute) = 0;
    // Says the text; returns once the sound has started, cutting short whatever still sounds.
    virtual void Speak(const QString& text) = 0;
};
