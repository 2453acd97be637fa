#include "MemoryOutput.h"

#include <algorithm>

void MemoryOutput::SetPace(double pace)
{
    const std::scoped_lock lock(mutex_);
    pace_ = pace;
}

std::vector<MemoryOutput::Take> MemoryOutput::Takes() const
{
    const std::scoped_lock lock(mutex_);
    return takes_;
}

bool MemoryOutput::WaitForClosedTakes(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return std::count_if(takes_.begin(), takes_.end(), [](const Take& t) {
                   return t.closed;
               }) >= static_cast<std::ptrdiff_t>(count);
    });
}

void MemoryOutput::Open(int sampleRate)
{
    const std::scoped_lock lock(mutex_);
    takes_.emplace_back().sampleRate = sampleRate;
}

bool MemoryOutput::Write(std::span<const std::int16_t> samples, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    Take& take = takes_.back();
    if (take.samples.empty())
        take.firstSamples = std::chrono::steady_clock::now();
    take.samples.insert(take.samples.end(), samples.begin(), samples.end());
    if (pace_ > 0) {
        const std::chrono::duration<double> playing(static_cast<double>(samples.size()) /
                                                    take.sampleRate / pace_);
        changed_.wait_for(lock, stop, playing, [] { return false; });
    }
    return !stop.stop_requested();
}

void MemoryOutput::Drain(std::stop_token stop)
{
    const std::scoped_lock lock(mutex_);
    takes_.back().drained = !stop.stop_requested();
}

void MemoryOutput::Close() noexcept
{
    const std::scoped_lock lock(mutex_);
    if (!takes_.empty())
        takes_.back().closed = true;
    changed_.notify_all();
}
