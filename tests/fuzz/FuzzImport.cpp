// The import readers on any file: TSV, CSV and Anki notes, read as UTF-8, CP932 or detected.
// The first byte chooses the options, the rest is the file. Every input ends in records or in
// "NAME:LINE: what is wrong" lines, each fields valid UTF-8, each message one line naming a
// line of the file; a dry run into a scratch phrase book leaves it as it was.
#include "BookImport.h"
#include "Database.h"
#include "DatabasePath.h"
#include "LineSource.h"
#include "PhraseBookFile.h"
#include "RecordReader.h"
#include "Utf8.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void fault(const char* what, const QString& detail = {})
{
    std::fprintf(stderr, "import fuzz: %s %s\n", what, qPrintable(detail.left(200)));
    std::abort();
}

std::unique_ptr<Database> book;

long long titleCount()
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(book->handle(), "SELECT count(*) FROM タイトル", -1, &raw, nullptr) !=
        SQLITE_OK)
        fault("can't count the titles");
    const long long count = sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int64(raw, 0) : -1;
    sqlite3_finalize(raw);
    return count;
}

ImportOptions optionsOf(std::uint8_t choice)
{
    static const TextEncoding kEncodings[] = {TextEncoding::Detect, TextEncoding::Utf8,
                                              TextEncoding::Cp932, TextEncoding::Detect};
    static const OnDuplicate kPolicies[] = {OnDuplicate::Refuse, OnDuplicate::Skip,
                                            OnDuplicate::Update, OnDuplicate::Refuse};
    ImportOptions options;
    options.encoding = kEncodings[choice & 3];
    options.format = choice & 4 ? BookFormat::Csv : BookFormat::Tsv;
    options.onDuplicate = kPolicies[(choice >> 3) & 3];
    if (choice & 32)
        options.category = u"c"_s;
    options.dryRun = true; // the scratch book stays the same for every input
    return options;
}

// The readers alone: every record is valid UTF-8 and each read moves on through the file.
void readAll(QByteArray& file, const ImportOptions& options, int lines)
{
    QBuffer in(&file);
    in.open(QIODevice::ReadOnly);
    LineSource source(in, options.encoding);
    RecordReader records(source, options.format);
    std::vector<QByteArray> fields;
    int previous = 0;
    for (;;) {
        const RecordReader::Status status = records.next(fields);
        if (records.line() < previous || records.line() > lines + 1)
            fault("line number out of order", QString::number(records.line()));
        previous = records.line();
        if (status == RecordReader::Status::End)
            return;
        if (status == RecordReader::Status::Error) {
            if (records.error().isEmpty())
                fault("an error without a message");
            return;
        }
        if (records.line() < 1 || records.line() > lines)
            fault("a record on no line of the file", QString::number(records.line()));
        for (const QByteArray& field : fields)
            if (!isUtf8(field))
                fault("a field that is not UTF-8", QString::fromLatin1(field.toHex()));
    }
}

// "in:LINE: what", one line of printable text naming a line of the file.
void checkReport(const QString& message, int lines)
{
    static const QString kName = u"in"_s;
    if (!message.startsWith(kName + u':'))
        fault("a report without the file's name", message);
    const qsizetype colon = message.indexOf(u": "_s, kName.size() + 1);
    bool ok = false;
    const int line =
        colon < 0 ? 0 : message.sliced(kName.size() + 1, colon - kName.size() - 1).toInt(&ok);
    if (!ok || line < 1 || line > lines)
        fault("a report without a line of the file", message);
    if (colon + 2 >= message.size())
        fault("a report that says nothing", message);
    for (const QChar c : message)
        if (c.category() == QChar::Other_Control)
            fault("a report with a control character", message);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_import";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
    static const QTemporaryDir dir;
    const QString file = DatabasePath(dir.path());
    if (!createPhraseBook(file, PhraseBookContents::OptionsSample).isEmpty())
        fault("can't make the scratch phrase book");
    book = std::make_unique<Database>(file);
    // Nothing is ever committed, so the rollback journal need not touch the disk.
    if (sqlite3_exec(book->handle(), "PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF", nullptr,
                     nullptr, nullptr) != SQLITE_OK)
        fault("can't set up the scratch phrase book");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const long long titles = titleCount();
    const ImportOptions options = optionsOf(size > 0 ? data[0] : 0);
    QByteArray file = size > 1 ? QByteArray(reinterpret_cast<const char*>(data) + 1,
                                            static_cast<qsizetype>(size - 1))
                               : QByteArray();
    const int lines = static_cast<int>(file.count('\n')) + (file.endsWith('\n') ? 0 : 1);
    readAll(file, options, lines);

    QBuffer in(&file);
    in.open(QIODevice::ReadOnly);
    long long reports = 0;
    ImportCounts counts;
    try {
        counts = importBook(*book, in, u"in"_s, options, [&](const QString& message) {
            ++reports;
            checkReport(message, lines);
        });
    } catch (const std::exception& e) {
        fault("import threw", QString::fromUtf8(e.what()));
    }
    if (counts.problems != reports)
        fault("problems counted but not reported");
    if (titleCount() != titles)
        fault("a dry run changed the phrase book");
    return 0;
}
