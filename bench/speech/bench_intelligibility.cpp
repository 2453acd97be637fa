// How well a machine understands the voice: the corpus is synthesized to WAV files at 160, 180
// and 200 words per minute, a sentence at a time and in pairs (two utterances a take),
// pocketsphinx_batch (Debian's pocketsphinx and pocketsphinx-en-us) transcribes them, and the word
// error rate against the text is printed, with the words per minute of speech each speed gave
// (leading and trailing silence left out).
//
//   bench_intelligibility [work folder]

#include "Corpus.h"
#include "FliteEngine.h"
#include "MemoryOutput.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kTargetErrorRate = 0.06;
const char* const kModel = "/usr/share/pocketsphinx/model/en-us";

// Lower case, punctuation dropped but for apostrophes inside words, as the recognizer's
// dictionary spells them.
QStringList wordsOf(const QString& text)
{
    static const QRegularExpression notWord(QStringLiteral("[^a-z']+|'(?![a-z])|(?<![a-z])'"));
    return text.toLower().replace(notWord, QStringLiteral(" ")).split(u' ', Qt::SkipEmptyParts);
}

// Substitutions, insertions and deletions that turn `said` into `heard`.
qsizetype wordErrors(const QStringList& said, const QStringList& heard)
{
    std::vector<qsizetype> row(heard.size() + 1);
    for (qsizetype j = 0; j <= heard.size(); ++j)
        row[j] = j;
    for (qsizetype i = 1; i <= said.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= heard.size(); ++j) {
            const qsizetype replaced = diagonal + (said[i - 1] == heard[j - 1] ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({replaced, row[j] + 1, row[j - 1] + 1});
        }
    }
    return row[heard.size()];
}

void writeWav(const QString& path, const MemoryOutput::Take& take)
{
    const auto le = [](QByteArray& out, quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.append(char((value >> (8 * i)) & 0xff));
    };
    const auto dataBytes = quint32(take.samples.size() * 2);
    const auto rate = quint32(take.sampleRate);
    QByteArray wav("RIFF");
    le(wav, 36 + dataBytes, 4);
    wav.append("WAVEfmt ");
    for (const auto& [value, bytes] :
         {std::pair{16u, 4}, {1u, 2}, {1u, 2}, {rate, 4}, {rate * 2, 4}, {2u, 2}, {16u, 2}})
        le(wav, value, bytes);
    wav.append("data");
    le(wav, dataBytes, 4);
    for (const std::int16_t sample : take.samples)
        le(wav, quint16(sample), 2);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
}

// Seconds from the first to the last sample louder than 1 % of full scale.
double speakingSeconds(const MemoryOutput::Take& take)
{
    const auto loud = [](std::int16_t s) { return std::abs(s) >= 328; };
    const auto first = std::find_if(take.samples.begin(), take.samples.end(), loud);
    const auto last = std::find_if(take.samples.rbegin(), take.samples.rend(), loud);
    return double(std::distance(first, last.base())) / take.sampleRate;
}

// The transcripts in the order of `ids`, read from pocketsphinx_batch's hypothesis file.
QStringList recognize(const QString& folder, const QStringList& ids)
{
    const QString control = folder + QStringLiteral("/control");
    const QString hypotheses = folder + QStringLiteral("/hypotheses");
    QFile list(control);
    if (!list.open(QIODevice::WriteOnly))
        std::exit(2);
    list.write((ids.join(u'\n') + u'\n').toUtf8());
    list.close();
    const QString model = QString::fromUtf8(kModel);
    QProcess batch;
    batch.setStandardOutputFile(QProcess::nullDevice());
    batch.start(QStringLiteral("pocketsphinx_batch"),
                {u"-adcin"_qs,  u"yes"_qs,
                 u"-adchdr"_qs, u"44"_qs,
                 u"-cepdir"_qs, folder,
                 u"-cepext"_qs, u".wav"_qs,
                 u"-ctl"_qs,    control,
                 u"-hyp"_qs,    hypotheses,
                 u"-hmm"_qs,    model + u"/en-us"_qs,
                 u"-lm"_qs,     model + u"/en-us.lm.bin"_qs,
                 u"-dict"_qs,   model + u"/cmudict-en-us.dict"_qs,
                 u"-logfn"_qs,  folder + u"/log"_qs});
    if (!batch.waitForFinished(-1) || batch.exitCode() != 0) {
        std::fprintf(stderr, "pocketsphinx_batch failed; are pocketsphinx and pocketsphinx-en-us "
                             "installed?\n");
        std::exit(2);
    }
    QFile file(hypotheses);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        std::exit(2);
    QStringList heard(ids.size());
    static const QRegularExpression line(QStringLiteral("^(.*?)\\s*\\((\\S+)(\\s[-\\d]+)?\\)$"));
    for (const QString& hypothesis : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const auto match = line.match(hypothesis);
        if (match.hasMatch() && ids.contains(match.captured(2)))
            heard[ids.indexOf(match.captured(2))] = match.captured(1);
    }
    return heard;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    QDir().mkpath(folder);
    const QStringList corpus = readCorpus();
    auto output = std::make_shared<MemoryOutput>();
    FliteEngine engine(output, WORDLARK_VOICE_PROGRAM); // as the program runs it

    std::printf("%lld sentences, %lld words\n", qlonglong(corpus.size()),
                qlonglong(wordsOf(corpus.join(u' ')).size()));
    // Said one at a time, and in pairs, where the engine says each pair as two utterances.
    QStringList pairs;
    for (qsizetype i = 0; i < corpus.size(); i += 2)
        pairs << (i + 1 < corpus.size() ? corpus[i] + u' ' + corpus[i + 1] : corpus[i]);
    bool met = true;
    for (const auto& [name, texts] :
         {std::pair{"one sentence a Speak", corpus}, {"two sentences a Speak", pairs}}) {
        std::printf("\n%s\n\n"
                    "| speed | words per minute of speech | word errors | word error rate |\n"
                    "|------:|---------------------------:|------------:|----------------:|\n",
                    name);
        qsizetype allWords = 0;
        qsizetype allErrors = 0;
        for (const int speed : {160, 180, 200}) {
            engine.SetSpeed(speed);
            QStringList ids;
            double seconds = 0;
            for (qsizetype i = 0; i < texts.size(); ++i) {
                const std::size_t closed = output->Takes().size();
                engine.Speak(texts[i]);
                output->WaitForClosedTakes(closed + 1, std::chrono::seconds(10));
                const MemoryOutput::Take take = output->Takes().back();
                ids << QStringLiteral("%1-%2-%3").arg(texts.size()).arg(speed).arg(i);
                writeWav(folder + u'/' + ids.back() + u".wav"_qs, take);
                seconds += speakingSeconds(take);
            }
            const QStringList heard = recognize(folder, ids);
            qsizetype words = 0;
            qsizetype errors = 0;
            for (qsizetype i = 0; i < texts.size(); ++i) {
                const QStringList said = wordsOf(texts[i]);
                words += said.size();
                errors += wordErrors(said, wordsOf(heard[i]));
            }
            allWords += words;
            allErrors += errors;
            std::printf("| %5d | %26.1f | %4lld of %3lld | %14.1f%% |\n", speed,
                        double(words) / seconds * 60, qlonglong(errors), qlonglong(words),
                        100.0 * double(errors) / double(words));
        }
        const double rate = double(allErrors) / double(allWords);
        std::printf("| all   |                            | %4lld of %3lld | %14.1f%% |\n",
                    qlonglong(allErrors), qlonglong(allWords), 100 * rate);
        met = met && rate <= kTargetErrorRate;
    }
    std::printf("\nTarget pooled word error rate <= %.0f %%: %s\n", 100 * kTargetErrorRate,
                met ? "met" : "MISSED");
    return met ? 0 : 1;
}
