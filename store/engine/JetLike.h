#pragma once

#include <QStringView>

#include <optional>
#include <vector>

// The LIKE dialect the phrase book's statements are written in: "*" any run, "?" one
// character, "#" one digit, "[abc]", "[a-z]", "[!abc]"; ASCII and full-width Latin letters
// match regardless of case. Characters are UTF-16 units.
class LikePattern {
public:
    // Empty when the pattern is malformed (an unclosed "[" or a reversed range).
    static std::optional<LikePattern> compile(QStringView pattern);

    bool matches(QStringView text) const;

private:
    struct Range {
        char16_t low, high;
    };
    struct Token {
        enum Kind { Literal, AnyOne, Digit, AnyRun, Set, Nothing } kind;
        char16_t ch = 0;       // Literal, folded
        bool negated = false;  // Set
        std::size_t first = 0; // Set: its ranges in m_ranges
        std::size_t count = 0;
    };

    bool matchesOne(const Token& token, char16_t c) const;

    std::vector<Token> m_tokens;
    std::vector<Range> m_ranges;
};

enum class LikeMatch { No, Yes, BadPattern };

LikeMatch JetLikeMatch(QStringView pattern, QStringView text);
