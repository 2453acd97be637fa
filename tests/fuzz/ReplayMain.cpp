// Stands in for libFuzzer where the compiler has none: replays every file of the corpus
// folders, then runs a fixed number of mutations of them. The seed is fixed, so a failure
// repeats. Usage: replay [-runs=N] folder...
#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Optional in a target, as with libFuzzer.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

void run(const QByteArray& input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.constData()),
                           static_cast<std::size_t>(input.size()));
}

// Units the store and the matcher find hardest, as UTF-16LE.
const char* const kTokens[] = {"'\0", "'\0'\0", "\0\0",     "\0\xD8",   "\0\xDC", "*\0",
                               "[\0", "]\0",    "!\0",      "-\0",      "#\0",    "?\0",
                               ";\0", "\"\0",   "\xFF\xFF", "\x19\x20", "\n\0",   "\x1A\0"};

QByteArray mutate(const std::vector<QByteArray>& corpus, std::mt19937& random)
{
    auto pick = [&](qsizetype n) {
        return qsizetype(std::uniform_int_distribution<std::size_t>(0, std::size_t(n) - 1)(random));
    };
    QByteArray out = corpus[pick(corpus.size())];
    for (qsizetype edits = 1 + pick(4); edits > 0; --edits) {
        const qsizetype at = pick(out.size() + 1);
        const qsizetype kind = pick(5);
        if (kind == 0) // a token
            out.insert(at, QByteArray(kTokens[pick(std::size(kTokens))], 2));
        else if (kind == 1 && at < out.size()) // a random byte
            out[at] = char(pick(256));
        else if (kind == 2) // a cut
            out.remove(at, pick(8));
        else if (kind == 3) // a repeated piece
            out.insert(at, out.mid(at, 2 + pick(16)).repeated(1 + pick(8)));
        else if (kind == 4) // a piece of another input
            out.insert(at, corpus[pick(corpus.size())].left(pick(64)));
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    long runs = 0;
    std::vector<QByteArray> corpus;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg.startsWith("-runs="))
            runs = arg.mid(6).toLong();
        else
            for (const QFileInfo& entry :
                 QDir(QString::fromLocal8Bit(arg)).entryInfoList(QDir::Files, QDir::Name)) {
                QFile file(entry.filePath());
                if (file.open(QIODevice::ReadOnly))
                    corpus.push_back(file.readAll());
            }
    }
    if (corpus.empty()) {
        std::fprintf(stderr, "no corpus\n");
        return 1;
    }
    for (const QByteArray& input : corpus)
        run(input);
    std::mt19937 random(20261206);
    for (long i = 0; i < runs; ++i)
        run(mutate(corpus, random));
    std::printf("%zu corpus inputs and %ld mutations passed\n", corpus.size(), runs);
    return 0;
}
