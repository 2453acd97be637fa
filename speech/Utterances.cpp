#include "Utterances.h"

#include <algorithm>
#include <array>

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x2028) ||
           c == QChar(0x2029);
}

bool isSentenceEnd(QChar c)
{
    return c == u'.' || c == u'!' || c == u'?';
}

// Japanese text runs on without a space after its punctuation.
bool isWideSentenceEnd(QChar c)
{
    return c == u'。' || c == u'！' || c == u'？';
}

bool isWideClauseBreak(QChar c)
{
    return c == u'、' || c == u'，' || c == u'；' || c == u'：';
}

// Closing quotes and brackets belong to the sentence they close.
bool isCloser(QChar c)
{
    return QStringView(u"\"')]}\u201d\u2019\u00bb\u300d\u300f\uff09").contains(c);
}

bool hasWords(QStringView piece)
{
    return std::any_of(piece.begin(), piece.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

// Whether the period at `dot` leaves the sentence going on; `next` is where the next word starts.
bool periodContinues(QStringView text, qsizetype dot, qsizetype next)
{
    if (next < text.size() && text[next].isLower())
        return true;
    qsizetype start = dot;
    while (start > 0 && (text[start - 1].isLetterOrNumber() || text[start - 1] == u'.'))
        --start;
    const QStringView word = text.sliced(start, dot - start);
    if (word.contains(u'.') || (word.size() == 1 && word[0].isLetter()))
        return true;
    static constexpr std::array<const char16_t*, 12> titles = {
        u"Mr", u"Mrs", u"Ms", u"Dr", u"St", u"Mt", u"Jr", u"Sr", u"Prof", u"No", u"vs", u"etc"};
    return std::any_of(titles.begin(), titles.end(),
                       [&](const char16_t* title) { return word == QStringView(title); });
}

// A clause break that a cut may follow: ASCII ones only before a space, so 1,000 stays whole.
bool isClauseBreakAt(QStringView text, qsizetype i)
{
    const QChar c = text[i];
    if (isWideClauseBreak(c))
        return true;
    return (c == u',' || c == u';' || c == u':') && i + 1 < text.size() && text[i + 1].isSpace();
}

// Where to cut a sentence longer than the limit: after the last clause break within it, else
// between words so that the run up to the next clause break comes out in about equal parts.
qsizetype cutOf(QStringView sentence)
{
    qsizetype clause = 0;
    for (qsizetype i = 0; i < kMaxUtteranceLength; ++i)
        if (isClauseBreakAt(sentence, i) && hasWords(sentence.first(i)))
            clause = i + 1;
    if (clause > 0)
        return clause;
    // Looked for a few parts ahead only, so that a long text without punctuation takes no longer
    // to cut than one with it.
    qsizetype run = std::min(sentence.size(), 4 * kMaxUtteranceLength);
    for (qsizetype i = kMaxUtteranceLength; i < run; ++i) {
        if (isClauseBreakAt(sentence, i)) {
            run = i + 1;
            break;
        }
    }
    // A space near an equal share, where the rest still fits in one part fewer; failing that, in
    // one part more.
    const qsizetype fewest = (run + kMaxUtteranceLength - 1) / kMaxUtteranceLength;
    for (qsizetype parts = fewest;; ++parts) {
        const qsizetype target = run / parts;
        const qsizetype lowest = std::max<qsizetype>(1, run - (parts - 1) * kMaxUtteranceLength);
        for (qsizetype distance = 0; distance < kMaxUtteranceLength; ++distance) {
            for (const qsizetype at : {target - distance, target + distance})
                if (at >= lowest && at <= kMaxUtteranceLength && sentence[at].isSpace())
                    return at;
        }
        if (lowest == 1)
            break;
    }
    // One word longer than the limit: cut anyway, but not inside a surrogate pair.
    const qsizetype target = run / fewest;
    return sentence[target - 1].isHighSurrogate() ? target - 1 : target;
}

void addSentence(QStringView sentence, std::vector<Utterance>& utterances)
{
    while (sentence.size() > kMaxUtteranceLength) {
        const qsizetype cut = cutOf(sentence);
        utterances.push_back({sentence.first(cut).trimmed().toString(), false});
        sentence = sentence.sliced(cut).trimmed();
    }
    if (!sentence.isEmpty())
        utterances.push_back({sentence.toString(), true});
}

} // namespace

std::vector<Utterance> SplitIntoUtterances(QStringView text)
{
    std::vector<QString> sentences;
    qsizetype start = 0;
    const auto cutBefore = [&](qsizetype end) {
        const QStringView sentence = text.sliced(start, end - start).trimmed();
        start = end;
        if (sentence.isEmpty())
            return;
        if (!sentences.empty() && (!hasWords(sentences.back()) || !hasWords(sentence)))
            sentences.back() += u' ' + sentence.toString();
        else
            sentences.push_back(sentence.toString());
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (isLineBreak(c)) {
            cutBefore(i);
            continue;
        }
        const bool wide = isWideSentenceEnd(c);
        if (!wide && !isSentenceEnd(c))
            continue;
        qsizetype end = i + 1;
        while (end < n && (wide ? isWideSentenceEnd(text[end]) : isSentenceEnd(text[end])))
            ++end;
        const qsizetype dot = i;
        const bool onePeriod = c == u'.' && end == i + 1;
        while (end < n && isCloser(text[end]))
            ++end;
        i = end - 1;
        if (wide) {
            cutBefore(end);
            continue;
        }
        if (end < n && !text[end].isSpace())
            continue; // 3.5, example.com, "Why?!" inside a word
        qsizetype next = end;
        while (next < n && text[next].isSpace())
            ++next;
        if (onePeriod && periodContinues(text, dot, next))
            continue;
        cutBefore(end);
    }
    cutBefore(n);

    std::vector<Utterance> utterances;
    for (const QString& sentence : sentences)
        addSentence(sentence, utterances);
    return utterances;
}
