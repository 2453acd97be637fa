#pragma once

#include "AudioOutput.h"

#include <string>

struct _snd_pcm;

// Plays through an ALSA PCM device. The device is opened per text, so one that went away
// while the program sat idle is reported by the next text, and other programs can use it in
// between.
class AlsaOutput final : public AudioOutput {
public:
    explicit AlsaOutput(std::string device = "default");
    ~AlsaOutput() override;
    AlsaOutput(const AlsaOutput&) = delete;
    AlsaOutput& operator=(const AlsaOutput&) = delete;

    void Open(int sampleRate) override;
    bool Write(std::span<const std::int16_t> samples, std::stop_token stop) override;
    void Drain(std::stop_token stop) override;
    void Close() noexcept override;

private:
    enum class Woken { Ready, Stopped, TimedOut };
    Woken wait(std::stop_token stop, int timeoutMs, bool forDevice);
    [[noreturn]] void fail(const char* what, long error);

    std::string m_device;
    _snd_pcm* m_pcm = nullptr;
    int m_sampleRate = 0;
    int m_wakeFd = -1; // eventfd that a stop request writes to, to cut a poll() short
};
