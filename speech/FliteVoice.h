#pragma once

#include <flite/flite.h>

#include <cstdint>

// Flite's voice cmu_us_rms, shared by the program's speech engine and its voice process.
namespace FliteVoice {

// Where an utterance's speech lies in its samples: Flite's segments begin and end with a silence.
struct Silences {
    long lead = 0;        // samples before the speech
    long trailStart = -1; // where the silence after it begins; -1 when unknown
};

// Takes an utterance's samples as Flite makes them: `size` samples from the utterance's sample
// `start` on. Returns false to stop the utterance. Runs inside Flite, so it must not throw.
class SampleSink {
public:
    virtual bool take(const Silences& silences, int sampleRate, const std::int16_t* samples,
                      long start, long size) noexcept = 0;

protected:
    ~SampleSink() = default;
};

// The voice, loaded once for the process and kept to its end; null if it can't be loaded.
cst_voice* voice();

// How many segments (phones and pauses) Flite makes of `text`; 0 if its analysis fails, which
// the synthesis will then report.
int segmentsOf(cst_voice* voice, const char* text);

// Makes one utterance of `text` at Flite's duration stretch `stretch`, handing its samples to
// `sink`. False if Flite failed; true if it finished, or stopped because the sink said so.
bool synthesize(cst_voice* voice, const char* text, float stretch, SampleSink& sink);

} // namespace FliteVoice
