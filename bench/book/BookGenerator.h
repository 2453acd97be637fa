#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// The shape of a generated phrase book: how many titles, in how many categories, and the sizes
// of the first categories where they matter. The other categories share the rest evenly.
struct BookShape {
    int titles = 0;
    int categories = 0;
    std::vector<int> fixedSizes;
};

// 1,000 titles in 20 categories.
BookShape smallBook();
// 100,000 titles in 1,000 categories: the first holds 32,767 titles, the most a lookup
// lists, and the second 1,000.
BookShape largeBook();

// The name of category i (from 0); names carry no apostrophe.
QString categoryName(int index);
// How many titles each category of the shape holds, in category order.
std::vector<int> categorySizes(const BookShape& shape);

// One title row as the program stores it.
struct GeneratedTitle {
    QString english;     // タイトル名_英語
    QString japanese;    // タイトル名_日本語
    QString sentence;    // 英文
    QString translation; // 和訳
    int category;        // index into the categories
};

// The titles of a phrase book of this shape, in insertion order. Equal seeds give equal
// books; each title is unique in its language regardless of case.
std::vector<GeneratedTitle> generateTitles(const BookShape& shape, std::uint64_t seed);

// Makes a new phrase book file at path with the program's own schema and options, then fills
// it and checks that it holds the shape and the titles the seed gives again. Returns an error
// message, empty on success.
QString generatePhraseBook(const QString& path, const BookShape& shape, std::uint64_t seed);
