#include "BookCommand.h"

#include "BookError.h"
#include "BookExport.h"
#include "BookFile.h"
#include "BookImport.h"
#include "BookReviews.h"
#include "Database.h"
#include "PhraseBookFile.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const char kUsage[] =
    "usage: wordlark-book [--book PATH] COMMAND ...\n"
    "  new PATH                  make an empty phrase book\n"
    "  export [--category NAME] [--csv | --anki] [FILE]\n"
    "                            write titles to FILE, or to standard output\n"
    "  import [--csv | --tsv] [--encoding utf-8|cp932] [--category NAME]\n"
    "         [--on-duplicate skip|update] [--dry-run] FILE\n"
    "                            add the titles of FILE in one transaction\n"
    "  reviews [--rebuild | --export FILE.csv]\n"
    "                            what the drill remembers; with --rebuild,\n"
    "                            every title's memory replayed from its reviews;\n"
    "                            with --export, the review log as the FSRS\n"
    "                            optimizer's revlog.csv\n"
    "Without --book, the phrase book that wordlark uses.\n";

void say(QIODevice& err, const QString& line)
{
    err.write(line.toUtf8() + '\n');
}

struct Arguments {
    QCommandLineParser parser;
    QCommandLineOption book{QStringLiteral("book"), QString(), QStringLiteral("PATH")};
    QCommandLineOption category{QStringLiteral("category"), QString(), QStringLiteral("NAME")};
    QCommandLineOption csv{QStringLiteral("csv")};
    QCommandLineOption tsv{QStringLiteral("tsv")};
    QCommandLineOption anki{QStringLiteral("anki")};
    QCommandLineOption encoding{QStringLiteral("encoding"), QString(), QStringLiteral("NAME")};
    QCommandLineOption onDuplicate{QStringLiteral("on-duplicate"), QString(),
                                   QStringLiteral("POLICY")};
    QCommandLineOption dryRun{QStringLiteral("dry-run")};
    QCommandLineOption rebuild{QStringLiteral("rebuild")};
    QCommandLineOption exportFile{QStringLiteral("export"), QString(), QStringLiteral("FILE")};

    Arguments()
    {
        parser.addOptions(
            {book, category, csv, tsv, anki, encoding, onDuplicate, dryRun, rebuild, exportFile});
    }
    // Whether any of the options is given; they belong to another command.
    bool anyOf(std::initializer_list<const QCommandLineOption*> options) const
    {
        for (const QCommandLineOption* option : options)
            if (parser.isSet(*option))
                return true;
        return false;
    }
};

BookFormat formatOf(const Arguments& a, const QString& file, bool importing)
{
    if (a.parser.isSet(a.csv))
        return BookFormat::Csv;
    if (!importing && a.parser.isSet(a.anki))
        return BookFormat::Anki;
    if (a.parser.isSet(a.tsv))
        return BookFormat::Tsv;
    return file.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ? BookFormat::Csv
                                                                     : BookFormat::Tsv;
}

QString bookOf(const Arguments& a, const BookEnvironment& env)
{
    const QString book = a.parser.value(a.book);
    return book.isEmpty() ? env.defaultBook : book;
}

int makeBook(const QString& path, QIODevice& err)
{
    const QString error = createPhraseBook(path, PhraseBookContents::Options);
    if (!error.isEmpty()) {
        say(err, QStringLiteral("wordlark-book: %1").arg(error));
        return 1;
    }
    say(err, QStringLiteral("made the empty phrase book %1").arg(path));
    return 0;
}

// Writes to standard output for no FILE or "-", else to FILE, which a failure leaves as it
// was; never onto the phrase book itself. What write produced.
template <typename Write>
auto writeOut(const QString& file, const QString& book, QIODevice& out, Write&& write)
{
    if (file.isEmpty() || file == QLatin1String("-"))
        return write(out);
    if (QFileInfo(file).canonicalFilePath() == QFileInfo(book).canonicalFilePath())
        throw BookError(QStringLiteral("%1: that is the phrase book itself").arg(file));
    QSaveFile saved(file);
    if (!saved.open(QIODevice::WriteOnly))
        throw BookError(QStringLiteral("%1: %2").arg(file, saved.errorString()));
    auto written = write(saved);
    if (!saved.commit())
        throw BookError(QStringLiteral("%1: %2").arg(file, saved.errorString()));
    return written;
}

int exportTo(const Arguments& a, const QString& file, QIODevice& out, QIODevice& err,
             const BookEnvironment& env)
{
    const QString path = bookOf(a, env);
    const auto db = openBook(path, env.busyTimeoutMs);
    const BookFormat format = formatOf(a, file, false);
    const QString category = a.parser.value(a.category);
    const long long count = writeOut(file, path, out, [&](QIODevice& to) {
        return exportBook(*db, category, format, to, env.progress);
    });
    say(err, QStringLiteral("exported %1 titles").arg(count));
    return 0;
}

int exportReviewLog(const Arguments& a, QIODevice& out, QIODevice& err, const BookEnvironment& env)
{
    const QString path = bookOf(a, env);
    const auto db = openBook(path, env.busyTimeoutMs);
    const LogWalk exported = writeOut(a.parser.value(a.exportFile), path, out,
                                      [&](QIODevice& to) { return exportReviews(*db, to); });
    say(err, QStringLiteral("exported %1 reviews of %2 titles")
                     .arg(exported.reviews - exported.passedOver)
                     .arg(exported.titles) +
                 passedOverNote(exported));
    return 0;
}

int importFrom(const Arguments& a, const QString& file, QIODevice& err, const BookEnvironment& env)
{
    ImportOptions options;
    options.format = formatOf(a, file, true);
    options.category = a.parser.value(a.category);
    options.dryRun = a.parser.isSet(a.dryRun);
    const QString encoding = a.parser.value(a.encoding).toLower();
    if (encoding == QLatin1String("cp932") || encoding == QLatin1String("shift_jis"))
        options.encoding = TextEncoding::Cp932;
    else if (encoding == QLatin1String("utf-8") || encoding == QLatin1String("utf8"))
        options.encoding = TextEncoding::Utf8;
    else if (!encoding.isEmpty())
        throw BookError(QStringLiteral("--encoding takes utf-8 or cp932, not %1").arg(encoding));
    const QString policy = a.parser.value(a.onDuplicate);
    if (policy == QLatin1String("skip"))
        options.onDuplicate = OnDuplicate::Skip;
    else if (policy == QLatin1String("update"))
        options.onDuplicate = OnDuplicate::Update;
    else if (!policy.isEmpty())
        throw BookError(QStringLiteral("--on-duplicate takes skip or update, not %1").arg(policy));

    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw BookError(QStringLiteral("%1: %2").arg(file, in.errorString()));
    const auto db = openBook(bookOf(a, env), env.busyTimeoutMs);
    const ImportCounts counts = importBook(
        *db, in, file, options, [&](const QString& problem) { say(err, problem); }, env.progress);
    if (counts.problems > 0) {
        say(err, QStringLiteral("%1 problem(s); nothing was written").arg(counts.problems));
        return 1;
    }
    say(err, QStringLiteral("categories added: %1, titles added: %2, updated: %3, skipped: %4%5")
                 .arg(counts.categoriesAdded)
                 .arg(counts.added)
                 .arg(counts.updated)
                 .arg(counts.skipped)
                 .arg(options.dryRun ? QStringLiteral(" (dry run: nothing written)") : QString()));
    return 0;
}

} // namespace

int runBookCommand(const QStringList& arguments, QIODevice& out, QIODevice& err,
                   const BookEnvironment& env)
{
    Arguments a;
    if (!a.parser.parse(QStringList{QStringLiteral("wordlark-book")} + arguments)) {
        say(err, QStringLiteral("wordlark-book: %1").arg(a.parser.errorText()));
        err.write(kUsage);
        return 2;
    }
    const QStringList words = a.parser.positionalArguments();
    const QString command = words.value(0);
    bool fits = false;
    if (command == QLatin1String("new"))
        fits = words.size() == 2 &&
               !a.anyOf({&a.book, &a.category, &a.csv, &a.tsv, &a.anki, &a.encoding, &a.onDuplicate,
                         &a.dryRun, &a.rebuild, &a.exportFile});
    else if (command == QLatin1String("export"))
        fits =
            words.size() <= 2 &&
            !a.anyOf({&a.tsv, &a.encoding, &a.onDuplicate, &a.dryRun, &a.rebuild, &a.exportFile}) &&
            !(a.parser.isSet(a.csv) && a.parser.isSet(a.anki));
    else if (command == QLatin1String("import"))
        fits = words.size() == 2 && !a.anyOf({&a.anki, &a.rebuild, &a.exportFile}) &&
               !(a.parser.isSet(a.csv) && a.parser.isSet(a.tsv));
    else if (command == QLatin1String("reviews"))
        fits = words.size() == 1 &&
               !a.anyOf({&a.category, &a.csv, &a.tsv, &a.anki, &a.encoding, &a.onDuplicate,
                         &a.dryRun}) &&
               !(a.parser.isSet(a.rebuild) && a.parser.isSet(a.exportFile));
    if (!fits) {
        err.write(kUsage);
        return 2;
    }
    try {
        if (command == QLatin1String("new"))
            return makeBook(words[1], err);
        if (command == QLatin1String("export"))
            return exportTo(a, words.value(1), out, err, env);
        if (command == QLatin1String("reviews") && a.parser.isSet(a.exportFile))
            return exportReviewLog(a, out, err, env);
        if (command == QLatin1String("reviews"))
            return reviewBook(*openBook(bookOf(a, env), env.busyTimeoutMs),
                              a.parser.isSet(a.rebuild), env.now(), out, err);
        return importFrom(a, words[1], err, env);
    } catch (const BookError& e) {
        say(err, QStringLiteral("wordlark-book: %1").arg(QString::fromUtf8(e.what())));
        return 1;
    }
}
