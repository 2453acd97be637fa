#pragma once

#include "FliteVoice.h"

#include <sys/types.h>

#include <stop_token>
#include <string>
#include <vector>

// The voice process (VoiceMain.cpp) as the speech engine's worker uses it: one utterance at a
// time, its samples handed to a sink as they come. A stop ends the process at once, whatever
// Flite is doing in it; the next utterance starts another. Used by one thread.
class VoiceProcess {
public:
    explicit VoiceProcess(std::string program);
    ~VoiceProcess();
    VoiceProcess(const VoiceProcess&) = delete;
    VoiceProcess& operator=(const VoiceProcess&) = delete;

    enum class Outcome {
        Made,        // every sample handed on
        Stopped,     // by `stop` or by the sink; the process was ended
        Failed,      // Flite failed, or the process ended part-way on its own
        Unavailable, // the process can't be started: make the utterance here instead
    };
    Outcome make(const std::string& text, float stretch, std::stop_token stop,
                 FliteVoice::SampleSink& sink);

private:
    bool start();
    Outcome exchange(const std::string& text, float stretch, FliteVoice::SampleSink& sink);
    void end();

    const std::string m_program;
    bool m_unavailable = false;
    bool m_answered = false; // the running process has answered at least once
    pid_t m_pid = -1;
    int m_socket = -1;
    std::vector<std::int16_t> m_samples;
};
