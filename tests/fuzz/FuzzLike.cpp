// The LIKE matcher against a slow reference written from the dialect's rules: any pattern,
// any text, no crash, no hang, the same answer. The corpus holds the dialect's cases.
#include "FuzzInput.h"
#include "JetLike.h"

#include <array>
#include <cstdlib>

namespace {

// Past the end of the text: no unit, so in no range.
constexpr char32_t kNone = 0x110000;

// A unit, its small and its capital letter: ASCII and full-width Latin letters have both.
std::array<char32_t, 3> cases(char32_t c)
{
    const bool capital = (c >= u'A' && c <= u'Z') || (c >= u'Ａ' && c <= u'Ｚ');
    const bool small = (c >= u'a' && c <= u'z') || (c >= u'ａ' && c <= u'ｚ');
    return {c, capital ? char32_t(c + 32) : c, small ? char32_t(c - 32) : c};
}

// The list opened by the "[" at open: where its "]" is (-1 when unclosed or a range is
// reversed), and whether it is negated, empty, and takes the unit c.
struct Bracket {
    qsizetype end = -1;
    bool negated = false, empty = true, takes = false;
};

Bracket bracket(QStringView p, qsizetype open, char32_t c)
{
    Bracket b;
    qsizetype i = open + 1;
    b.negated = i < p.size() && p[i] == u'!';
    for (i += b.negated; i < p.size() && p[i] != u']'; ++i) {
        const char16_t low = p[i].unicode();
        char16_t high = low;
        if (i + 2 < p.size() && p[i + 1] == u'-' && p[i + 2] != u']') {
            i += 2;
            high = p[i].unicode();
            if (high < low)
                return {};
        }
        b.empty = false;
        for (const char32_t v : cases(c))
            b.takes = b.takes || (low <= v && v <= high);
    }
    if (i < p.size())
        b.end = i;
    b.takes = b.takes != b.negated && c != kNone;
    return b;
}

bool malformed(QStringView p)
{
    for (qsizetype i = 0; i < p.size(); ++i)
        if (p[i] == u'[' && (i = bracket(p, i, kNone).end) < 0)
            return true;
    return false;
}

// Plain recursion over pattern and text positions, memoised.
struct Reference {
    QStringView p, t;
    std::vector<signed char> memo =
        std::vector<signed char>(static_cast<std::size_t>((p.size() + 1) * (t.size() + 1)), -1);

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
        const char32_t x = j < t.size() ? t[j].unicode() : kNone;
        if (c == u'*')
            return match(i + 1, j) || (x != kNone && match(i, j + 1));
        if (c == u'[') {
            const Bracket b = bracket(p, i, x);
            return b.empty && !b.negated ? match(b.end + 1, j) : b.takes && match(b.end + 1, j + 1);
        }
        const bool one = c == u'#' ? x >= u'0' && x <= u'9'
                                   : x != kNone && (c == u'?' || cases(c)[1] == cases(x)[1]);
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
    // The reference's memory is the product of the lengths; longer inputs only check for
    // crashes and hangs.
    if (pattern.size() > 300 || text.size() > 2000)
        return 0;
    const LikeMatch expected = malformed(pattern)                     ? LikeMatch::BadPattern
                               : Reference{pattern, text}.match(0, 0) ? LikeMatch::Yes
                                                                      : LikeMatch::No;
    if (got != expected)
        std::abort();
    return 0;
}
