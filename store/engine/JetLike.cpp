#include "JetLike.h"

namespace {

char16_t foldCase(char16_t c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= u'Ａ' && c <= u'Ｚ'))
        return static_cast<char16_t>(c + (u'a' - u'A'));
    return c;
}

char16_t upperCase(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= u'ａ' && c <= u'ｚ'))
        return static_cast<char16_t>(c - (u'a' - u'A'));
    return c;
}

} // namespace

std::optional<LikePattern> LikePattern::compile(QStringView pattern)
{
    LikePattern compiled;
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = pattern[i].unicode();
        switch (c) {
        case u'*':
            // A run of stars means the same as one.
            if (compiled.m_tokens.empty() || compiled.m_tokens.back().kind != Token::AnyRun)
                compiled.m_tokens.push_back({Token::AnyRun});
            break;
        case u'?':
            compiled.m_tokens.push_back({Token::AnyOne});
            break;
        case u'#':
            compiled.m_tokens.push_back({Token::Digit});
            break;
        case u'[': {
            qsizetype j = i + 1;
            Token set{Token::Set};
            set.first = compiled.m_ranges.size();
            if (j < n && pattern[j] == u'!') {
                set.negated = true;
                ++j;
            }
            bool closed = false;
            for (; j < n; ++j) {
                const char16_t low = pattern[j].unicode();
                if (low == u']') {
                    closed = true;
                    break;
                }
                // "a-z" is a range; a "-" first or last in the list stands for itself.
                if (j + 2 < n && pattern[j + 1] == u'-' && pattern[j + 2] != u']') {
                    const char16_t high = pattern[j + 2].unicode();
                    if (high < low)
                        return std::nullopt;
                    compiled.m_ranges.push_back({low, high});
                    j += 2;
                } else {
                    compiled.m_ranges.push_back({low, low});
                }
            }
            if (!closed)
                return std::nullopt;
            set.count = compiled.m_ranges.size() - set.first;
            // "[]" stands for nothing at all and consumes no character.
            if (set.count == 0 && !set.negated)
                set.kind = Token::Nothing;
            compiled.m_tokens.push_back(set);
            i = j;
            break;
        }
        default: {
            Token literal{Token::Literal};
            literal.ch = foldCase(c);
            compiled.m_tokens.push_back(literal);
        }
        }
    }
    return compiled;
}

bool LikePattern::matchesOne(const Token& token, char16_t c) const
{
    switch (token.kind) {
    case Token::Literal:
        return foldCase(c) == token.ch;
    case Token::AnyOne:
        return true;
    case Token::Digit:
        return c >= u'0' && c <= u'9';
    case Token::Set: {
        const char16_t lower = foldCase(c);
        const char16_t upper = upperCase(c);
        bool inSet = false;
        for (std::size_t r = token.first; r < token.first + token.count && !inSet; ++r) {
            const Range& range = m_ranges[r];
            for (const char16_t v : {c, lower, upper})
                inSet = inSet || (v >= range.low && v <= range.high);
        }
        return inSet != token.negated;
    }
    case Token::AnyRun:
    case Token::Nothing:
        break;
    }
    return false;
}

bool LikePattern::matches(QStringView text) const
{
    // Every token but "*" consumes exactly one character, so backtracking to the last "*"
    // alone is enough: quadratic at worst, never exponential.
    const std::size_t m = m_tokens.size();
    const qsizetype n = text.size();
    std::size_t p = 0;
    qsizetype t = 0;
    std::size_t starToken = m;
    qsizetype starText = 0;
    while (t < n) {
        if (p < m && m_tokens[p].kind == Token::AnyRun) {
            starToken = p++;
            starText = t;
        } else if (p < m && m_tokens[p].kind == Token::Nothing) {
            ++p;
        } else if (p < m && matchesOne(m_tokens[p], text[t].unicode())) {
            ++p;
            ++t;
        } else if (starToken != m) {
            p = starToken + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < m && (m_tokens[p].kind == Token::AnyRun || m_tokens[p].kind == Token::Nothing))
        ++p;
    return p == m;
}

LikeMatch JetLikeMatch(QStringView pattern, QStringView text)
{
    const auto compiled = LikePattern::compile(pattern);
    if (!compiled)
        return LikeMatch::BadPattern;
    return compiled->matches(text) ? LikeMatch::Yes : LikeMatch::No;
}
