#include "RecordWriter.h"

#include <QIODevice>

namespace {

constexpr qsizetype kBufferBytes = 1 << 16;

bool needsQuotes(QByteArrayView value, char separator, bool first)
{
    for (const char c : value)
        if (c == separator || c == '"' || c == '\n' || c == '\r')
            return true;
    // Anki takes a line starting with '#' for a file header.
    return first && separator == '\t' && value.startsWith('#');
}

} // namespace

RecordWriter::RecordWriter(QIODevice& out, BookFormat format)
    : m_out(out)
    , m_format(format)
{
    m_buffer.reserve(kBufferBytes + 1024);
}

void RecordWriter::writeHeader()
{
    switch (m_format) {
    case BookFormat::Tsv:
    case BookFormat::Csv: {
        if (m_format == BookFormat::Csv)
            m_buffer += "\xEF\xBB\xBF";
        TitleView names;
        for (int i = 0; i < ColumnCount; ++i)
            names[i] = QByteArrayView(kColumnNames[i]);
        writeTitle(names);
        break;
    }
    case BookFormat::Anki:
        m_buffer += "#separator:tab\n#html:false\n#deck column:3\n";
        break;
    }
}

void RecordWriter::writeTitle(const TitleView& title)
{
    if (m_format == BookFormat::Anki) {
        writeField(title[Sentence], true);
        writeField(title[Translation], false);
        writeField(title[Category], false);
        m_buffer += '\n';
    } else {
        for (int i = 0; i < ColumnCount; ++i)
            writeField(title[i], i == 0);
        m_buffer += m_format == BookFormat::Csv ? "\r\n" : "\n";
    }
    if (m_buffer.size() >= kBufferBytes)
        flush();
}

void RecordWriter::writeField(QByteArrayView value, bool first)
{
    if (m_format == BookFormat::Tsv) {
        if (!first)
            m_buffer += '\t';
        qsizetype plainFrom = 0;
        for (qsizetype i = 0; i < value.size(); ++i) {
            const char* escaped;
            switch (value[i]) {
            case '\t':
                escaped = "\\t";
                break;
            case '\n':
                escaped = "\\n";
                break;
            case '\r':
                escaped = "\\r";
                break;
            case '\\':
                escaped = "\\\\";
                break;
            default:
                continue;
            }
            m_buffer.append(value.sliced(plainFrom, i - plainFrom)).append(escaped);
            plainFrom = i + 1;
        }
        m_buffer += value.sliced(plainFrom);
        return;
    }
    const char separator = m_format == BookFormat::Csv ? ',' : '\t';
    if (!first)
        m_buffer += separator;
    if (!needsQuotes(value, separator, first)) {
        m_buffer += value;
        return;
    }
    m_buffer += '"';
    for (const char c : value) {
        if (c == '"')
            m_buffer += '"';
        m_buffer += c;
    }
    m_buffer += '"';
}

bool RecordWriter::flush()
{
    if (!m_failed && m_out.write(m_buffer) != m_buffer.size())
        m_failed = true;
    m_buffer.clear();
    return !m_failed;
}
