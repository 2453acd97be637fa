#pragma once

#include <QString>
#include <QStringDecoder>

// SQLite reads a lone surrogate in UTF-16 together with the unit after it, so a stray one
// would swallow the apostrophe that ends a literal, or a character of a stored value. Every
// text goes to the engine with each lone surrogate turned into U+FFFD.
inline QString engineText(const QString& text)
{
    // Read through the shared original, so that a text without a lone surrogate (nearly every
    // one) is not copied.
    QString out = text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            out[i] = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

// Appends a value read back from the engine as UTF-8. SQLite's own conversion to UTF-16 would
// turn U+FFFE into U+FFFD, and a leading U+FEFF is part of the value, not a byte order mark.
// Bytes that are no UTF-8, a cut-off sequence at the end included, each show as U+FFFD.
inline void appendFromEngine(QString& text, const unsigned char* data, int bytes)
{
    QStringDecoder decode(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                    QStringConverter::Flag::Stateless);
    const QByteArrayView utf8(reinterpret_cast<const char*>(data), bytes);
    const qsizetype at = text.size();
    // Grows geometrically, so a result appends row after row without copying much.
    text.resize(at + decode.requiredSpace(utf8.size()));
    const QChar* end = decode.appendToBuffer(text.data() + at, utf8);
    text.truncate(end - text.constData());
}
