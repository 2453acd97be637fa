#pragma once

#include "FliteEngine.h"

#include <QString>

#include <flite/flite.h>

#include <cstdint>
#include <vector>

// The samples Flite itself makes of the UTF-8 of `text` at the default speed, with no engine
// in between. The voice is the one an engine loaded when it first spoke.
inline std::vector<std::int16_t> fliteWave(const QString& text)
{
    cst_voice* voice = flite_voice_select("rms");
    feat_set_float(voice->features, "duration_stretch",
                   float(FliteEngine::kWordsPerMinuteAtStretchOne / FliteEngine::kDefaultSpeed));
    cst_wave* wave = flite_text_to_wave(text.toUtf8().constData(), voice);
    feat_remove(voice->features, "duration_stretch");
    std::vector<std::int16_t> samples(wave->samples, wave->samples + wave->num_samples);
    delete_wave(wave);
    return samples;
}
