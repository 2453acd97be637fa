#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// What Flite is given at a time. Flite analyses the whole of its input before the first samples,
// so a text is said one utterance after another, each short enough to start sounding at once.
struct Utterance {
    QString text;
    // At a sentence end the voice pauses longer than inside a sentence, where a long sentence is
    // cut at a clause break or, lacking one, between two words.
    bool endsSentence = true;

    friend bool operator==(const Utterance&, const Utterance&) = default;
};

// Longest utterance, in UTF-16 units, that a sentence is cut down to: about six seconds of
// speech, whose parameters Flite predicts in some 40 ms before its first samples.
inline constexpr qsizetype kMaxUtteranceLength = 100;

// Cuts `text` at sentence ends (`.`, `!`, `?` before a space or the end, `。！？`, line breaks),
// and sentences longer than kMaxUtteranceLength at clause breaks (`,`, `;`, `:`, `、，；：`) or
// at spaces. A period after an initial (J.), a title (Mr., Dr., St.), a word with a period inside
// (e.g., U.S.) or before a lowercase word ends no sentence. Every character but the spaces around
// the cuts is kept, in order; a piece with no letter or digit stays with the one before it.
std::vector<Utterance> SplitIntoUtterances(QStringView text);
