// wordlark-voice: the program's voice in a process of its own. The speech engine asks it for the
// utterances after a text's first, so that a new text, which must not wait for Flite to finish
// the utterance it is predicting, can end this process at once. Requests come on standard input,
// replies go to standard output (VoiceProtocol.h); it ends at the end of its input.
#include "FliteVoice.h"
#include "VoiceProtocol.h"

#include <unistd.h>

#include <string>

namespace {

// Standard input and output are both the engine's end of one socket.
bool readAll(void* data, std::size_t size)
{
    return VoiceProtocol::receiveAll(STDIN_FILENO, data, size);
}

bool writeAll(const void* data, std::size_t size)
{
    return VoiceProtocol::sendAll(STDOUT_FILENO, data, size);
}

// Hands each piece of samples on as it comes; stops the utterance once the engine is gone.
class Replies final : public FliteVoice::SampleSink {
public:
    bool broken = false;

    bool take(const FliteVoice::Silences& silences, int sampleRate, const std::int16_t* samples,
              long start, long size) noexcept override
    {
        if (size <= 0)
            return true;
        const VoiceProtocol::Reply reply{
            VoiceProtocol::Kind::Samples, sampleRate, silences.lead, silences.trailStart, start,
            std::uint32_t(size),          0};
        broken = !writeAll(&reply, sizeof reply) ||
                 !writeAll(samples, std::size_t(size) * sizeof *samples);
        return !broken;
    }
};

} // namespace

int main()
{
    cst_voice* voice = FliteVoice::voice();
    VoiceProtocol::Request request{};
    std::string text;
    while (readAll(&request, sizeof request) && request.textBytes <= VoiceProtocol::kMaxTextBytes) {
        text.resize(request.textBytes);
        if (!readAll(text.data(), text.size()))
            break;
        Replies replies;
        const bool made = voice != nullptr &&
                          FliteVoice::synthesize(voice, text.c_str(), request.stretch, replies);
        if (replies.broken)
            break;
        const VoiceProtocol::Reply end{
            made ? VoiceProtocol::Kind::Made : VoiceProtocol::Kind::Failed, 0, 0, 0, 0, 0, 0};
        if (!writeAll(&end, sizeof end))
            break;
    }
    return 0;
}
