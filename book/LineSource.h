#pragma once

#include <QByteArray>
#include <QString>

#include <iconv.h>

class QIODevice;

enum class TextEncoding { Detect, Utf8, Cp932 };

// The lines of an imported file as UTF-8, one at a time, so that a file of any size is read
// in little memory. Shift_JIS as Windows writes it (CP932) is converted through iconv; a
// UTF-8 byte order mark at the start is dropped.
class LineSource {
public:
    // A longer line is refused rather than held: no phrase book file has one, and a file
    // without line ends would otherwise be read whole.
    static constexpr qsizetype kLongestLine = qsizetype(1) << 20;
    static constexpr const char* kLongestLineText = "1 MiB";

    // Detect reads the file once ahead: it is UTF-8 if every line is, except perhaps a last
    // line that is UTF-8 cut off in the middle of a character, and CP932 otherwise.
    LineSource(QIODevice& in, TextEncoding encoding);
    ~LineSource();
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    TextEncoding encoding() const { return m_encoding; }

    // The next line with its line end; false at the end of the file, or when the line is not
    // in the file's encoding (error() then says so).
    bool next(QByteArray& line);
    const QString& error() const { return m_error; }
    // The number of the line last read, from 1.
    int lineNumber() const { return m_line; }
    // How far the file has been read, in bytes, and its size.
    qint64 position() const;
    qint64 size() const;

private:
    TextEncoding detect();
    // The next line, false if it is longer than kLongestLine.
    bool readLine(QByteArray& line);
    bool fromCp932(QByteArray& line);

    QIODevice& m_in;
    TextEncoding m_encoding;
    iconv_t m_iconv = reinterpret_cast<iconv_t>(-1);
    QByteArray m_raw;
    QString m_error;
    int m_line = 0;
};
