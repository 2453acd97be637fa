#include "LineSource.h"

#include "Utf8.h"

#include <QIODevice>

#include <cerrno>

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

bool endsLine(const QByteArray& line)
{
    return line.endsWith('\n');
}

} // namespace

LineSource::LineSource(QIODevice& in, TextEncoding encoding)
    : m_in(in)
    , m_encoding(encoding == TextEncoding::Detect ? detect() : encoding)
{
    // No byte of a CP932 line end or separator occurs inside a two-byte character, so the file
    // is split into lines before it is converted.
    if (m_encoding == TextEncoding::Cp932)
        m_iconv = iconv_open("UTF-8", "CP932");
}

LineSource::~LineSource()
{
    if (m_iconv != reinterpret_cast<iconv_t>(-1))
        iconv_close(m_iconv);
}

TextEncoding LineSource::detect()
{
    TextEncoding found = TextEncoding::Utf8;
    while (!m_in.atEnd()) {
        QByteArray line;
        if (!readLine(line))
            break; // too long a line, reported on reading
        // A cut-off character at the very end is a damaged UTF-8 file, reported on reading;
        // a last line without a line end is otherwise as good as any.
        if (!isUtf8(line) && (endsLine(line) || !isCutUtf8(line))) {
            found = TextEncoding::Cp932;
            break;
        }
    }
    m_in.seek(0);
    return found;
}

bool LineSource::next(QByteArray& line)
{
    if (!m_error.isEmpty() || m_in.atEnd())
        return false;
    ++m_line;
    if (!readLine(m_encoding == TextEncoding::Cp932 ? m_raw : line)) {
        m_error = QStringLiteral("a line longer than %1 (is this a text file?)")
                      .arg(QLatin1String(kLongestLineText));
        return false;
    }
    if (m_encoding == TextEncoding::Cp932)
        return fromCp932(line);
    if (m_line == 1 && line.startsWith(kByteOrderMark))
        line.remove(0, 3);
    if (!isUtf8(line)) {
        m_error = QStringLiteral("not UTF-8%1; give --encoding cp932 for a Shift_JIS file")
                      .arg(endsLine(line) ? QString() : QStringLiteral(" (the file is cut off)"));
        return false;
    }
    return true;
}

bool LineSource::readLine(QByteArray& line)
{
    // In pieces: QIODevice::readLine(maxSize) allocates maxSize at once, so one read up to the
    // limit would take a megabyte for every line.
    constexpr qint64 kPiece = 4096;
    line = m_in.readLine(kPiece);
    while (!endsLine(line) && !m_in.atEnd() && line.size() <= kLongestLine)
        line += m_in.readLine(kPiece);
    if (line.size() <= kLongestLine)
        return true;
    line.clear();
    return false;
}

bool LineSource::fromCp932(QByteArray& line)
{
    if (m_iconv == reinterpret_cast<iconv_t>(-1)) {
        m_error = QStringLiteral("this system's iconv can't read CP932");
        return false;
    }
    // A CP932 character takes at most three bytes of UTF-8 for each of its bytes.
    line.resize(m_raw.size() * 3);
    char* in = m_raw.data();
    size_t inLeft = static_cast<size_t>(m_raw.size());
    char* out = line.data();
    size_t outLeft = static_cast<size_t>(line.size());
    iconv(m_iconv, nullptr, nullptr, nullptr, nullptr);
    if (iconv(m_iconv, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1)) {
        m_error = errno == EINVAL ? QStringLiteral("not CP932 (the file is cut off)")
                                  : QStringLiteral("not CP932 (Shift_JIS)");
        return false;
    }
    line.truncate(out - line.data());
    return true;
}

qint64 LineSource::position() const
{
    return m_in.pos();
}

qint64 LineSource::size() const
{
    return m_in.size();
}
