#pragma once

#include "SpeechEngine.h"

#include <QStringList>

// Records what the program asks of speech, and fails when told to.
class FakeSpeech final : public SpeechEngine {
public:
    QStringList calls; // "speed:<n>", "speak:<text>"
    bool failing = false;

    void SetSpeed(std::int32_t wordsPerMinute) override
    {
        calls << QStringLiteral("speed:%1").arg(wordsPerMinute);
        if (failing)
            throw SpeechError("speed refused");
    }
    void Speak(const QString& text) override
    {
        calls << QStringLiteral("speak:") + text;
        if (failing)
            throw SpeechError("no device");
    }
};
