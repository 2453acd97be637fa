#include "FliteVoice.h"

#include <cmath>
#include <csetjmp>
#include <mutex>

extern "C" cst_voice* register_cmu_us_rms(const char* voxdir);

namespace FliteVoice {
namespace {

// Samples per call of the streaming callback: 16 ms of the voice's 16 kHz, so the first of them
// leave Flite as soon as it starts on the waveform.
constexpr int kChunkSamples = 256;

// Runs `call` with Flite's error jump set. Unset, Flite ends the whole process on an internal
// error; set, it jumps back here and the call counts as failed. The jump skips every frame in
// between without unwinding, so `call` and everything below it hold nothing with a destructor:
// plain pointers into Flite's C code, and the sample sink never throws.
bool guarded(void (*call)(void*), void* context) noexcept
{
    std::jmp_buf back;
    cst_errjmp = &back;
    if (setjmp(back) == 0) {
        call(context);
        cst_errjmp = nullptr;
        return true;
    }
    cst_errjmp = nullptr;
    return false;
}

// Only features Flite has set are read, so no error can jump out of here.
Silences silencesOf(const cst_utterance* utterance, int sampleRate) noexcept
{
    Silences silences;
    cst_relation* segments = utterance == nullptr ? nullptr : utt_relation(utterance, "Segment");
    const cst_item* first = segments == nullptr ? nullptr : relation_head(segments);
    const cst_item* last = segments == nullptr ? nullptr : relation_tail(segments);
    const cst_item* beforeLast = last == nullptr ? nullptr : item_prev(last);
    if (first == nullptr || beforeLast == nullptr || !item_feat_present(first, "end") ||
        !item_feat_present(beforeLast, "end"))
        return silences;
    silences.lead = std::lround(double(item_feat_float(first, "end")) * sampleRate);
    silences.trailStart = std::lround(double(item_feat_float(beforeLast, "end")) * sampleRate);
    return silences;
}

// One utterance from text to streamed samples, as guarded() runs it.
struct Synthesis {
    cst_voice* voice;
    const char* text;
    float stretch;
    SampleSink& sink;
    cst_utterance* utterance = nullptr; // still to be deleted, if the jump came
    bool said = false;
    bool measured = false;
    Silences silences{};
};

int onSamples(const cst_wave* wave, int start, int size, int, cst_audio_streaming_info* info)
{
    Synthesis& s = *static_cast<Synthesis*>(info->userdata);
    // The utterance's segments are there once its samples come.
    if (!s.measured && size > 0) {
        s.silences = silencesOf(info->utt, wave->sample_rate);
        s.measured = true;
    }
    return s.sink.take(s.silences, wave->sample_rate, wave->samples + start, start, size)
               ? CST_AUDIO_STREAM_CONT
               : CST_AUDIO_STREAM_STOP;
}

void synthesizeGuarded(void* context)
{
    Synthesis& s = *static_cast<Synthesis*>(context);
    cst_audio_streaming_info* streaming = new_audio_streaming_info();
    streaming->asc = &onSamples;
    streaming->min_buffsize = kChunkSamples;
    streaming->userdata = &s;
    s.utterance = new_utterance();
    // The callback reads the utterance's segments to find its silences.
    streaming->utt = s.utterance;
    utt_set_input_text(s.utterance, s.text);
    // The utterance owns the streaming info from here, and its features override the voice's.
    feat_set(s.utterance->features, "streaming_info", audio_streaming_info_val(streaming));
    feat_set_float(s.utterance->features, "duration_stretch", s.stretch);
    // Deletes the utterance itself when synthesis fails.
    cst_utterance* said = flite_do_synth(s.utterance, s.voice, utt_synth);
    s.utterance = nullptr;
    if (said != nullptr) {
        delete_utterance(said);
        s.said = true;
    }
}

// Also listed under its name "rms", as Flite's own tools find their voices.
void loadVoice(void* voice)
{
    flite_init();
    cst_voice* rms = register_cmu_us_rms(nullptr);
    if (rms != nullptr)
        flite_add_voice(rms);
    *static_cast<cst_voice**>(voice) = rms;
}

void deleteUtterance(void* utterance)
{
    delete_utterance(static_cast<cst_utterance*>(utterance));
}

// Flite's text analysis alone, up to the segments, which takes well under a millisecond.
const cst_synth_module kAnalysis[] = {{"tokenizer_func", default_tokenization},
                                      {"textanalysis_func", default_textanalysis},
                                      {"pos_tagger_func", nullptr},
                                      {"phrasing_func", default_phrasing},
                                      {"lexical_insertion_func", default_lexical_insertion},
                                      {"pause_insertion_func", default_pause_insertion},
                                      {nullptr, nullptr}};

cst_utterance* analyse(cst_utterance* utterance)
{
    return apply_synth_method(utterance, kAnalysis);
}

struct Analysis {
    cst_voice* voice;
    const char* text;
    cst_utterance* utterance = nullptr; // still to be deleted, if the jump came
    int segments = 0;
};

void countSegments(void* context)
{
    Analysis& a = *static_cast<Analysis*>(context);
    a.utterance = new_utterance();
    utt_set_input_text(a.utterance, a.text);
    cst_utterance* analysed = flite_do_synth(a.utterance, a.voice, &analyse);
    a.utterance = nullptr;
    if (analysed == nullptr)
        return;
    for (cst_item* s = relation_head(utt_relation(analysed, "Segment")); s; s = item_next(s))
        ++a.segments;
    delete_utterance(analysed);
}

} // namespace

// Flite's voice list is global and registering a voice twice would list it twice, so the voice
// is loaded once for the process and kept to its end.
cst_voice* voice()
{
    static cst_voice* loaded = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        if (!guarded(&loadVoice, &loaded))
            loaded = nullptr;
    });
    return loaded;
}

int segmentsOf(cst_voice* voice, const char* text)
{
    Analysis analysis{voice, text};
    if (!guarded(&countSegments, &analysis))
        analysis.segments = 0;
    if (analysis.utterance != nullptr)
        guarded(&deleteUtterance, analysis.utterance);
    return analysis.segments;
}

bool synthesize(cst_voice* voice, const char* text, float stretch, SampleSink& sink)
{
    Synthesis synthesis{voice, text, stretch, sink};
    const bool finished = guarded(&synthesizeGuarded, &synthesis);
    // What the jump left behind; should deleting it fail too, it stays behind.
    if (synthesis.utterance != nullptr)
        guarded(&deleteUtterance, synthesis.utterance);
    return finished && synthesis.said;
}

} // namespace FliteVoice
