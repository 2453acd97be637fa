#pragma once

#include "BookFormat.h"

#include <QByteArray>

class QIODevice;

// Writes titles in one of the export formats, buffered, to a device.
class RecordWriter {
public:
    RecordWriter(QIODevice& out, BookFormat format);

    // The byte order mark, header line or file headers the format starts with.
    void writeHeader();
    void writeTitle(const TitleView& title);
    // Writes what is buffered; false if the device refused it.
    bool flush();

private:
    void writeField(QByteArrayView value, bool first);

    QIODevice& m_out;
    BookFormat m_format;
    QByteArray m_buffer;
    bool m_failed = false;
};
