#pragma once

#include <sys/socket.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

// What the speech engine and its voice process say to each other over a local socket, in the
// machine's own byte order. The engine sends a request and then the text's UTF-8 bytes; the
// process answers with replies of samples, each followed by its samples, and ends with one that
// says whether Flite made the utterance.
namespace VoiceProtocol {

struct Request {
    float stretch;           // Flite's duration stretch
    std::uint32_t textBytes; // that follow
};

enum class Kind : std::uint32_t { Samples, Made, Failed };

struct Reply {
    Kind kind;
    std::int32_t sampleRate;
    std::int64_t lead; // the utterance's silences, as FliteVoice::Silences
    std::int64_t trailStart;
    std::int64_t start; // of the samples that follow, within the utterance
    std::uint32_t size; // how many samples follow
    std::uint32_t unused;
};

// Longer texts are never asked for: the engine sends utterances of a few hundred bytes.
constexpr std::uint32_t kMaxTextBytes = 1 << 20;

// Sends or receives all `size` bytes over the socket; false once the other end is gone. A
// process that is gone must not end this one with SIGPIPE.
inline bool sendAll(int socket, const void* data, std::size_t size)
{
    for (const auto* at = static_cast<const char*>(data); size > 0;) {
        const ssize_t put = ::send(socket, at, size, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        at += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

inline bool receiveAll(int socket, void* data, std::size_t size)
{
    for (auto* at = static_cast<char*>(data); size > 0;) {
        const ssize_t got = ::recv(socket, at, size, MSG_WAITALL);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        at += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace VoiceProtocol
