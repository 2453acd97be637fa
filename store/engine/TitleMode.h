#pragma once

#include <QString>

// Which title column the title operations list, search, look up and edit by.
enum class TitleMode {
    EJ, // by the English title; the user answers in Japanese
    JE, // by the Japanese title; the user answers in English
};

// The main window holds the mode as a caption: exactly "E-J" is E-J, anything else J-E.
inline TitleMode titleModeOf(const QString& caption)
{
    return caption == QLatin1String("E-J") ? TitleMode::EJ : TitleMode::JE;
}

inline QString captionOf(TitleMode mode)
{
    return mode == TitleMode::EJ ? QStringLiteral("E-J") : QStringLiteral("J-E");
}

// The title column the mode lists, searches, looks up and edits by.
inline QString titleColumn(TitleMode mode)
{
    return mode == TitleMode::EJ ? QStringLiteral("タイトル名_英語")
                                 : QStringLiteral("タイトル名_日本語");
}
