#include "MemoryOutput.h"

#include <algorithm>

void MemoryOutput::SetPace(double pace)
{
    const std::scoped_lock lock(m_mutex);
    m_pace = pace;
}

std::vector<MemoryOutput::Take> MemoryOutput::Takes() const
{
    const std::scoped_lock lock(m_mutex);
    return m_takes;
}

bool MemoryOutput::WaitForClosedTakes(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return std::count_if(m_takes.begin(), m_takes.end(), [](const Take& t) {
                   return t.closed;
               }) >= static_cast<std::ptrdiff_t>(count);
    });
}

void MemoryOutput::Open(int sampleRate)
{
    const std::scoped_lock lock(m_mutex);
    m_takes.emplace_back().sampleRate = sampleRate;
}

bool MemoryOutput::Write(std::span<const std::int16_t> samples, std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    Take& take = m_takes.back();
    if (take.samples.empty())
        take.firstSamples = std::chrono::steady_clock::now();
    take.samples.insert(take.samples.end(), samples.begin(), samples.end());
    if (m_pace > 0) {
        const std::chrono::duration<double> playing(static_cast<double>(samples.size()) /
                                                    take.sampleRate / m_pace);
        m_changed.wait_for(lock, stop, playing, [] { return false; });
    }
    return !stop.stop_requested();
}

void MemoryOutput::Drain(std::stop_token stop)
{
    const std::scoped_lock lock(m_mutex);
    m_takes.back().drained = !stop.stop_requested();
}

void MemoryOutput::Close() noexcept
{
    const std::scoped_lock lock(m_mutex);
    if (!m_takes.empty())
        m_takes.back().closed = true;
    m_changed.notify_all();
}
