#pragma once

#include <QString>

#include <array>

// The seven settings, each one row of the options table.
enum class Option { English, Japanese, Speed, Speak_sw, Title_sw, Anser_true, Anser_false };

// How a stored value is read.
enum class OptionFamily {
    Flag,           // "0" or "1"; a missing row reads as the empty text
    ValueOrDefault, // the default stands in for an empty value; a missing row reads as empty
    Preset,         // the default stands in for a missing row, an empty and an absent value
};

struct OptionInfo {
    Option option;
    const char* name;
    OptionFamily family;
    const char* fallback; // the default, and the value read when the store fails
};

inline constexpr std::array<OptionInfo, 7> kOptions{{
    {Option::English, "English", OptionFamily::Flag, "0"},
    {Option::Japanese, "Japanese", OptionFamily::Flag, "0"},
    {Option::Speed, "Speed", OptionFamily::ValueOrDefault, "180"},
    {Option::Speak_sw, "Speak_sw", OptionFamily::ValueOrDefault, "0"},
    {Option::Title_sw, "Title_sw", OptionFamily::Preset, "1"},
    {Option::Anser_true, "Anser_true", OptionFamily::Preset, "good"},
    {Option::Anser_false, "Anser_false", OptionFamily::Preset, "so bad"},
}};

constexpr const OptionInfo& infoOf(Option option)
{
    return kOptions[static_cast<std::size_t>(option)];
}
