#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>

// The text formats a phrase book is exported to and imported from.
enum class BookFormat {
    Tsv,  // tab-separated, a header line, \t \n \r \\ escaped
    Csv,  // RFC 4180, UTF-8 with a byte order mark
    Anki, // Anki's plain-text notes: sentence, translation, deck
};

// The columns of an exported title, in file order.
enum BookColumn { Category, EnglishTitle, JapaneseTitle, Sentence, Translation, ColumnCount };

using TitleFields = std::array<QByteArray, ColumnCount>;   // UTF-8
using TitleView = std::array<QByteArrayView, ColumnCount>; // UTF-8

// The header line's names, in column order.
inline constexpr std::array<const char*, ColumnCount> kColumnNames = {
    "category", "English title", "Japanese title", "English sentence", "translation"};
