#include "Utf8.h"

#include <cstdint>
#include <cstring>

bool isUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        // Eight ASCII bytes at a time: most of a phrase book's file is ASCII.
        std::uint64_t eight;
        if (end - p >= 8 && (std::memcpy(&eight, p, 8), (eight & 0x8080808080808080u) == 0)) {
            p += 8;
            continue;
        }
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int trail = 0;
        char32_t code = 0, least = 0;
        if ((lead & 0xE0) == 0xC0) {
            trail = 1, code = lead & 0x1Fu, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            trail = 2, code = lead & 0x0Fu, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            trail = 3, code = lead & 0x07u, least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= trail)
            return false;
        for (int i = 1; i <= trail; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3Fu);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += trail + 1;
    }
    return true;
}

bool isCutUtf8(QByteArrayView bytes)
{
    // The lead byte of the cut sequence is one of the last three bytes; what follows it must
    // be continuation bytes, fewer than it needs.
    for (qsizetype cut = 1; cut <= 3 && cut <= bytes.size(); ++cut) {
        const auto lead = static_cast<unsigned char>(bytes[bytes.size() - cut]);
        const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                           : lead >= 0xE0 && lead <= 0xEF ? 3
                           : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                          : 0;
        if (length == 0)
            continue;
        if (cut >= length)
            return false;
        for (qsizetype i = bytes.size() - cut + 1; i < bytes.size(); ++i)
            if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80)
                return false;
        return isUtf8(bytes.first(bytes.size() - cut));
    }
    return false;
}
