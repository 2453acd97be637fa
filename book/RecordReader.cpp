#include "RecordReader.h"

#include "LineSource.h"

#include <algorithm>
#include <iterator>

namespace {

// The line without its line end, and the line end.
std::pair<QByteArrayView, QByteArrayView> splitLineEnd(QByteArrayView line)
{
    qsizetype end = line.size();
    if (end > 0 && line[end - 1] == '\n')
        --end;
    if (end > 0 && line[end - 1] == '\r')
        --end;
    return {line.first(end), line.sliced(end)};
}

char separatorNamed(QByteArrayView name)
{
    static const std::pair<const char*, char> kNames[] = {{"tab", '\t'},      {"comma", ','},
                                                          {"semicolon", ';'}, {"space", ' '},
                                                          {"pipe", '|'},      {"colon", ':'}};
    for (const auto& [word, separator] : kNames)
        if (name.compare(QByteArrayView(word), Qt::CaseInsensitive) == 0)
            return separator;
    return name.size() == 1 ? name[0] : '\0';
}

// Anki counts columns from 1.
int columnOf(QByteArrayView value)
{
    bool ok = false;
    const int column = value.toInt(&ok);
    return ok && column > 0 ? column - 1 : -1;
}

} // namespace

RecordReader::RecordReader(LineSource& lines, BookFormat format)
    : m_lines(lines)
    , m_quoted(format != BookFormat::Tsv)
{
    if (format == BookFormat::Csv)
        m_anki.separator = ',';
    readHeaders();
}

bool RecordReader::readLine(QByteArray& line)
{
    if (m_hasPending) {
        m_hasPending = false;
        line = std::move(m_pending);
        return true;
    }
    if (m_lines.next(line))
        return true;
    m_error = m_lines.error();
    return false;
}

void RecordReader::readHeaders()
{
    // Anki's header keys; a first value that merely starts with '#' is data.
    static const QByteArrayView kKeys[] = {
        "separator", "html", "tags column", "deck column", "guid column", "notetype column",
        "notetype",  "deck", "columns",     "if matches",  "match scope", "tags"};
    QByteArray line;
    while (readLine(line)) {
        const QByteArrayView text = splitLineEnd(line).first;
        const qsizetype colon = text.indexOf(':');
        const QByteArray key = text.startsWith('#') && colon > 0
                                   ? text.sliced(1, colon - 1).trimmed().toByteArray().toLower()
                                   : QByteArray();
        if (std::find(std::begin(kKeys), std::end(kKeys), QByteArrayView(key)) == std::end(kKeys)) {
            m_pending = std::move(line);
            m_hasPending = true;
            return;
        }
        const QByteArrayView value = text.sliced(colon + 1).trimmed();
        m_anki.present = true;
        m_quoted = true;
        if (key == "separator") {
            if (const char separator = separatorNamed(value))
                m_anki.separator = separator;
        } else if (key == "deck column") {
            m_anki.deckColumn = columnOf(value);
        } else if (key == "tags column") {
            m_anki.tagsColumn = columnOf(value);
        } else if (key == "guid column") {
            m_anki.guidColumn = columnOf(value);
        } else if (key == "notetype column") {
            m_anki.notetypeColumn = columnOf(value);
        } else if (key == "deck") {
            m_anki.deck = value.toByteArray();
        }
    }
}

RecordReader::Status RecordReader::next(std::vector<QByteArray>& fields)
{
    fields.clear();
    QByteArray line;
    if (!readLine(line)) {
        m_line = m_lines.lineNumber();
        return m_error.isEmpty() ? Status::End : Status::Error;
    }
    m_line = m_lines.lineNumber();
    if (m_quoted)
        return splitQuoted(std::move(line), fields);
    splitEscaped(splitLineEnd(line).first, fields);
    return Status::Record;
}

void RecordReader::splitEscaped(QByteArrayView text, std::vector<QByteArray>& fields) const
{
    // Plain runs between separators and escapes are copied at once.
    QByteArray field;
    qsizetype plainFrom = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\t') {
            field += text.sliced(plainFrom, i - plainFrom);
            fields.push_back(std::move(field));
            field.clear();
            plainFrom = i + 1;
        } else if (text[i] == '\\' && i + 1 < text.size()) {
            char unescaped;
            switch (text[i + 1]) {
            case 't':
                unescaped = '\t';
                break;
            case 'n':
                unescaped = '\n';
                break;
            case 'r':
                unescaped = '\r';
                break;
            case '\\':
                unescaped = '\\';
                break;
            default:
                continue; // a backslash before any other character is kept as it is
            }
            field.append(text.sliced(plainFrom, i - plainFrom)).append(unescaped);
            plainFrom = ++i + 1;
        }
    }
    field += text.sliced(plainFrom);
    fields.push_back(std::move(field));
}

RecordReader::Status RecordReader::splitQuoted(QByteArray line, std::vector<QByteArray>& fields)
{
    QByteArray field;
    bool inQuotes = false, atFieldStart = true;
    for (;;) {
        const auto [text, lineEnd] = splitLineEnd(line);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (inQuotes) {
                if (c != '"') {
                    field += c;
                } else if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"', ++i;
                } else {
                    inQuotes = false;
                }
            } else if (c == m_anki.separator) {
                fields.push_back(std::move(field));
                field.clear();
                atFieldStart = true;
                continue;
            } else if (c == '"' && atFieldStart) {
                inQuotes = true;
            } else {
                // A quote inside an unquoted field, or text after a closing quote, is kept.
                field += c;
            }
            atFieldStart = false;
        }
        if (!inQuotes)
            break;
        // A line end inside quotes belongs to the value.
        field += lineEnd;
        // A quote never closed would otherwise gather the rest of the file.
        if (field.size() > LineSource::kLongestLine) {
            m_error = QStringLiteral("a quoted value longer than %1 (is a quote not closed?)")
                          .arg(QLatin1String(LineSource::kLongestLineText));
            return Status::Error;
        }
        if (!readLine(line)) {
            if (m_error.isEmpty())
                m_error = QStringLiteral("a quoted value is not closed before the end of the file");
            return Status::Error;
        }
    }
    fields.push_back(std::move(field));
    return Status::Record;
}
