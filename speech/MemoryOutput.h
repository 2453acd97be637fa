#pragma once

#include "AudioOutput.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

// Keeps what would have sounded, one take per text spoken, for tests and benchmarks to inspect.
class MemoryOutput final : public AudioOutput {
public:
    struct Take {
        int sampleRate = 0;
        std::vector<std::int16_t> samples;
        std::chrono::steady_clock::time_point firstSamples; // when the first samples came in
        bool drained = false; // sounded to the end rather than being cut short
        bool closed = false;
    };

    // `pace`: how many times faster than real time the samples "sound"; 0 takes them at once.
    explicit MemoryOutput(double pace = 0)
        : m_pace(pace)
    {
    }

    void SetPace(double pace);
    std::vector<Take> Takes() const;
    // False if fewer than `count` takes were closed within `timeout`.
    bool WaitForClosedTakes(std::size_t count, std::chrono::milliseconds timeout) const;

    void Open(int sampleRate) override;
    bool Write(std::span<const std::int16_t> samples, std::stop_token stop) override;
    void Drain(std::stop_token stop) override;
    void Close() noexcept override;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable_any m_changed;
    std::vector<Take> m_takes;
    double m_pace;
};
