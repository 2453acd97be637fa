// The LIKE matcher against a slow reference written from the dialect's rules: any pattern,
// any text, no crash, no hang, the same answer.
#include "FuzzInput.h"
#include "JetLike.h"

#include <cstdlib>

namespace {

char16_t lower(char16_t c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= u'Ａ' && c <= u'Ｚ'))
        return static_cast<char16_t>(c + 32);
    return c;
}

char16_t upper(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= u'ａ' && c <= u'ｚ'))
        return static_cast<char16_t>(c - 32);
    return c;
}

// One bracket list: where it ends, and whether it takes c.
struct Bracket {
    qsizetype end = -1; // index of the closing "]", -1 when unclosed or a range is reversed
    bool negated = false;
    bool empty = true;
};

Bracket parseBracket(QStringView p, qsizetype open, const char16_t* c, bool* takes)
{
    Bracket b;
    qsizetype i = open + 1;
    if (i < p.size() && p[i] == u'!') {
        b.negated = true;
        ++i;
    }
    bool in = false;
    while (i < p.size() && p[i] != u']') {
        char16_t low = p[i].unicode();
        char16_t high = low;
        if (i + 2 < p.size() && p[i + 1] == u'-' && p[i + 2] != u']') {
            high = p[i + 2].unicode();
            if (high < low)
                return b;
            i += 2;
        }
        ++i;
        b.empty = false;
        if (c)
            for (char16_t v : {*c, lower(*c), upper(*c)})
                in = in || (low <= v && v <= high);
    }
    if (i >= p.size())
        return b;
    b.end = i;
    if (takes)
        *takes = in != b.negated;
    return b;
}

bool malformed(QStringView p)
{
    for (qsizetype i = 0; i < p.size(); ++i)
        if (p[i] == u'[') {
            const Bracket b = parseBracket(p, i, nullptr, nullptr);
            if (b.end < 0)
                return true;
            i = b.end;
        }
    return false;
}

// Plain recursion over pattern and text positions, memoised.
struct Reference {
    QStringView p, t;
    std::vector<signed char> memo;

    bool match(qsizetype i, qsizetype j)
    {
        signed char& m = memo[static_cast<std::size_t>(i * (t.size() + 1) + j)];
        if (m < 0)
            m = step(i, j) ? 1 : 0;
        return m == 1;
    }
    bool step(qsizetype i, qsizetype j)
    {
        if (i == p.size())
            return j == t.size();
        const char16_t c = p[i].unicode();
        if (c == u'*')
            return match(i + 1, j) || (j < t.size() && match(i, j + 1));
        if (c == u'[') {
            bool takes = false;
            const char16_t here = j < t.size() ? t[j].unicode() : u'\0';
            const char16_t* ch = j < t.size() ? &here : nullptr;
            const Bracket b = parseBracket(p, i, ch, &takes);
            if (b.empty && !b.negated)
                return match(b.end + 1, j);
            return ch && takes && match(b.end + 1, j + 1);
        }
        if (j == t.size())
            return false;
        const char16_t x = t[j].unicode();
        const bool one = c == u'?' || (c == u'#' && x >= u'0' && x <= u'9') ||
                         (c != u'#' && lower(c) == lower(x));
        return one && match(i + 1, j + 1);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto fields = fuzzFields(data, size);
    const QString pattern = fields[0];
    const QString text = fields.size() > 1 ? fields[1] : QString();
    const LikeMatch got = JetLikeMatch(pattern, text);
    // The reference is quadratic in memory; long inputs only check for crashes and hangs.
    if (pattern.size() > 300 || text.size() > 2000)
        return 0;
    LikeMatch expected = LikeMatch::BadPattern;
    if (!malformed(pattern)) {
        Reference ref{pattern, text, {}};
        ref.memo.assign(static_cast<std::size_t>((pattern.size() + 1) * (text.size() + 1)), -1);
        expected = ref.match(0, 0) ? LikeMatch::Yes : LikeMatch::No;
    }
    if (got != expected)
        std::abort();
    return 0;
}
