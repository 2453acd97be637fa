#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// Fuzz inputs are read as UTF-16 units, two bytes each, so that every unit a text box can
// hold (NUL, lone surrogates, control characters) is reachable. U+FFFF separates fields.
inline std::vector<QString> fuzzFields(const std::uint8_t* data, std::size_t size)
{
    std::vector<QString> fields(1);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == u'\xFFFF')
            fields.emplace_back();
        else
            fields.back() += QChar(unit);
    }
    return fields;
}
