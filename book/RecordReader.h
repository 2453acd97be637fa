#pragma once

#include "BookFormat.h"

#include <QByteArray>
#include <QString>

#include <vector>

class LineSource;

// What the "#key:value" headers of an Anki notes file say: the separator, the columns that
// are not note fields (counted from 0, -1 where absent) and a deck for every note.
struct AnkiHeaders {
    bool present = false;
    char separator = '\t';
    int deckColumn = -1, tagsColumn = -1, guidColumn = -1, notetypeColumn = -1;
    QByteArray deck;
};

// Splits an imported file into records of fields. TSV fields are unescaped; CSV and Anki
// fields may be quoted and then hold separators and line ends. A file that starts with
// "#key:value" lines is read as Anki notes, with the separator they name.
class RecordReader {
public:
    RecordReader(LineSource& lines, BookFormat format);

    enum class Status { Record, End, Error };
    Status next(std::vector<QByteArray>& fields);
    // What is wrong with the record last read, and the line it starts on.
    const QString& error() const { return m_error; }
    int line() const { return m_line; }
    const AnkiHeaders& anki() const { return m_anki; }

private:
    bool readLine(QByteArray& line);
    void readHeaders();
    void splitEscaped(QByteArrayView text, std::vector<QByteArray>& fields) const;
    Status splitQuoted(QByteArray line, std::vector<QByteArray>& fields);

    LineSource& m_lines;
    bool m_quoted;
    AnkiHeaders m_anki;
    QByteArray m_pending;
    bool m_hasPending = false;
    QString m_error;
    int m_line = 0;
};
