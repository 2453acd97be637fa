#include "AlsaOutput.h"

#include "SpeechEngine.h"

#include <alsa/asoundlib.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <vector>

namespace {

// A device that takes no samples for this long has hung; saying so beats waiting forever.
constexpr int kStallMs = 2000;
// What the device may hold ahead of what is sounding: enough to ride over a slow clause, little
// enough that a cut-off sentence stops at once (the rest is dropped anyway).
constexpr unsigned kLatencyUs = 100'000;

void quiet(const char*, int, const char*, int, const char*, ...) {}

} // namespace

AlsaOutput::AlsaOutput(std::string device)
    : m_device(std::move(device))
    , m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    if (m_wakeFd < 0)
        throw SpeechError("Audio output cannot be set up: " + std::string(strerror(errno)));
    // Failures reach the user as SpeechError; ALSA's own lines on stderr would only repeat them.
    static std::once_flag silenced;
    std::call_once(silenced, [] { snd_lib_error_set_handler(&quiet); });
}

AlsaOutput::~AlsaOutput()
{
    Close();
    ::close(m_wakeFd);
}

void AlsaOutput::Open(int sampleRate)
{
    Close();
    // Non-blocking, so a device held by another program fails at once instead of making speech
    // wait until that program lets go.
    snd_pcm_t* pcm = nullptr;
    const int opened =
        snd_pcm_open(&pcm, m_device.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (opened < 0)
        throw SpeechError("No audio output device \"" + m_device + "\": " + snd_strerror(opened));
    m_pcm = pcm;
    m_sampleRate = sampleRate;
    const int set = snd_pcm_set_params(m_pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                                       static_cast<unsigned>(sampleRate), 1, kLatencyUs);
    if (set < 0)
        fail("cannot play speech", set);
    std::uint64_t stale = 0;
    [[maybe_unused]] const auto ignored = ::read(m_wakeFd, &stale, sizeof stale);
}

bool AlsaOutput::Write(std::span<const std::int16_t> samples, std::stop_token stop)
{
    const std::stop_callback wake(stop, [this] {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto ignored = ::write(m_wakeFd, &one, sizeof one);
    });
    while (!samples.empty()) {
        if (stop.stop_requested())
            return false;
        const snd_pcm_sframes_t written = snd_pcm_writei(m_pcm, samples.data(), samples.size());
        if (written >= 0) {
            samples = samples.subspan(static_cast<std::size_t>(written));
        } else if (written == -EAGAIN) {
            const Woken woken = wait(stop, kStallMs, true);
            if (woken == Woken::Stopped)
                return false;
            if (woken == Woken::TimedOut)
                fail("stopped taking sound", -ETIMEDOUT);
        } else if (written == -EPIPE || written == -ESTRPIPE) {
            // Ran dry or was suspended: the device is fine, the stream just needs restarting.
            const int recovered = snd_pcm_recover(m_pcm, static_cast<int>(written), 1);
            if (recovered < 0)
                fail("failed", recovered);
        } else {
            fail("failed", written);
        }
    }
    return true;
}

void AlsaOutput::Drain(std::stop_token stop)
{
    const std::stop_callback wake(stop, [this] {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto ignored = ::write(m_wakeFd, &one, sizeof one);
    });
    // snd_pcm_drain() would block beyond the reach of `stop`, so watch the queue shrink instead.
    snd_pcm_sframes_t lastDelay = -1;
    auto lastProgress = std::chrono::steady_clock::now();
    while (!stop.stop_requested()) {
        snd_pcm_sframes_t delay = 0;
        const int queried = snd_pcm_delay(m_pcm, &delay);
        if (queried == -EPIPE)
            return; // ran dry: everything has sounded
        if (queried < 0)
            fail("failed", queried);
        if (delay <= 0)
            return;
        // A sentence shorter than the device's buffer never reached its start threshold.
        if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED) {
            const int started = snd_pcm_start(m_pcm);
            if (started < 0)
                fail("failed", started);
        }
        const auto now = std::chrono::steady_clock::now();
        if (lastDelay < 0 || delay < lastDelay) {
            lastDelay = delay;
            lastProgress = now;
        } else if (now - lastProgress > std::chrono::milliseconds(kStallMs)) {
            fail("stopped playing", -ETIMEDOUT);
        }
        const auto remainingMs = delay * 1000 / m_sampleRate;
        wait(stop, static_cast<int>(std::clamp<snd_pcm_sframes_t>(remainingMs, 1, 50)), false);
    }
}

void AlsaOutput::Close() noexcept
{
    if (m_pcm == nullptr)
        return;
    snd_pcm_drop(m_pcm);
    snd_pcm_close(m_pcm);
    m_pcm = nullptr;
}

AlsaOutput::Woken AlsaOutput::wait(std::stop_token stop, int timeoutMs, bool forDevice)
{
    const int deviceFds = forDevice ? snd_pcm_poll_descriptors_count(m_pcm) : 0;
    if (deviceFds < 0)
        fail("failed", deviceFds);
    std::vector<pollfd> fds(static_cast<std::size_t>(deviceFds) + 1);
    fds[0] = {m_wakeFd, POLLIN, 0};
    if (deviceFds > 0)
        snd_pcm_poll_descriptors(m_pcm, &fds[1], static_cast<unsigned>(deviceFds));
    if (stop.stop_requested())
        return Woken::Stopped;
    const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    if (ready < 0 && errno != EINTR)
        fail("cannot be waited for", -errno);
    if (ready > 0 && deviceFds > 0) {
        unsigned short events =
            0; // lets the plugin settle its state; the next write tells the rest
        snd_pcm_poll_descriptors_revents(m_pcm, &fds[1], static_cast<unsigned>(deviceFds), &events);
    }
    if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto ignored = ::read(m_wakeFd, &count, sizeof count);
    }
    if (stop.stop_requested())
        return Woken::Stopped;
    return ready == 0 ? Woken::TimedOut : Woken::Ready;
}

void AlsaOutput::fail(const char* what, long error)
{
    Close();
    throw SpeechError("Audio output device \"" + m_device + "\" " + what + ": " +
                      snd_strerror(static_cast<int>(error)));
}
