#pragma once

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

} // namespace VoiceProtocol
