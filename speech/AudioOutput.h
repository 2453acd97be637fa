#pragma once

#include <cstdint>
#include <span>
#include <stop_token>

// Where synthesized speech goes, one text at a time: Open, Write..., Drain, Close.
// The engine calls it from its one player thread only, so implementations need no locking of their
// own beyond what waking on `stop` takes.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Claims the device for one text of 16-bit mono samples; throws SpeechError when there is
    // no device to be had.
    virtual void Open(int sampleRate) = 0;
    // Queues samples, waiting while the device is full. Returns false, without waiting further,
    // once `stop` is requested. Throws SpeechError when the device fails.
    virtual bool Write(std::span<const std::int16_t> samples, std::stop_token stop) = 0;
    // Waits until everything queued has sounded, or until `stop`. Throws SpeechError when the
    // device fails.
    virtual void Drain(std::stop_token stop) = 0;
    // Releases the device, dropping whatever has not sounded yet. Harmless when not open.
    virtual void Close() noexcept = 0;
};
