#include "AnswerDiff.h"

#include <algorithm>
#include <unordered_map>

namespace {

// A text as code points, with the UTF-16 offset of each and of its end.
struct CodePoints {
    std::vector<char32_t> chars;
    std::vector<qsizetype> offsets;

    explicit CodePoints(QStringView text)
    {
        chars.reserve(text.size());
        offsets.reserve(text.size() + 1);
        for (qsizetype i = 0; i < text.size(); ++i) {
            offsets.push_back(i);
            const QChar c = text[i];
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                chars.push_back(QChar::surrogateToUcs4(c, text[i + 1]));
                ++i;
            } else {
                chars.push_back(c.unicode()); // a lone surrogate stands for itself
            }
        }
        offsets.push_back(text.size());
    }
    qsizetype size() const { return qsizetype(chars.size()); }
};

struct Match {
    qsizetype a = 0;
    qsizetype b = 0;
    qsizetype size = 0;
};

class SequenceMatcher {
public:
    SequenceMatcher(const std::vector<char32_t>& a, const std::vector<char32_t>& b)
        : m_a(a)
        , m_b(b)
        , m_lengths(b.size() + 1)
        , m_newLengths(b.size() + 1)
    {
        for (std::size_t j = 0; j < b.size(); ++j)
            m_positions[b[j]].push_back(qsizetype(j));
        // In a long reference, a character found in more than 1 % of it plus one is too common to
        // anchor a match; blocks still grow over it once found.
        if (b.size() >= 200) {
            const std::size_t popular = b.size() / 100 + 1;
            std::erase_if(m_positions,
                          [popular](const auto& p) { return p.second.size() > popular; });
        }
    }

    // The matching blocks in order, adjacent ones joined, ended by (size of a, size of b, 0).
    std::vector<Match> matchingBlocks()
    {
        const qsizetype la = qsizetype(m_a.size());
        const qsizetype lb = qsizetype(m_b.size());
        std::vector<Match> blocks;
        struct Range {
            qsizetype alo, ahi, blo, bhi;
        };
        std::vector<Range> pending{{0, la, 0, lb}};
        while (!pending.empty()) {
            const Range r = pending.back();
            pending.pop_back();
            const Match m = longestMatch(r.alo, r.ahi, r.blo, r.bhi);
            if (m.size == 0)
                continue;
            blocks.push_back(m);
            if (r.alo < m.a && r.blo < m.b)
                pending.push_back({r.alo, m.a, r.blo, m.b});
            if (m.a + m.size < r.ahi && m.b + m.size < r.bhi)
                pending.push_back({m.a + m.size, r.ahi, m.b + m.size, r.bhi});
        }
        std::sort(blocks.begin(), blocks.end(),
                  [](const Match& x, const Match& y) { return x.a < y.a; });
        std::vector<Match> joined;
        for (const Match& m : blocks) {
            if (!joined.empty() && joined.back().a + joined.back().size == m.a &&
                joined.back().b + joined.back().size == m.b)
                joined.back().size += m.size;
            else
                joined.push_back(m);
        }
        joined.push_back({la, lb, 0});
        return joined;
    }

private:
    // Of the longest blocks common to a[alo, ahi) and b[blo, bhi), the one that starts first in
    // a, then first in b; grown over common characters on both sides.
    Match longestMatch(qsizetype alo, qsizetype ahi, qsizetype blo, qsizetype bhi)
    {
        Match best{alo, blo, 0};
        // m_lengths[j + 1]: length of the block ending at a[i - 1], b[j]; only touched entries
        // are non-zero, and they are cleared again after each row.
        std::vector<qsizetype> touched, newTouched;
        for (qsizetype i = alo; i < ahi; ++i) {
            const auto found = m_positions.find(m_a[i]);
            if (found != m_positions.end()) {
                const std::vector<qsizetype>& js = found->second;
                for (auto j = std::lower_bound(js.begin(), js.end(), blo);
                     j != js.end() && *j < bhi; ++j) {
                    const qsizetype k = m_lengths[*j] + 1;
                    m_newLengths[*j + 1] = k;
                    newTouched.push_back(*j + 1);
                    if (k > best.size)
                        best = {i - k + 1, *j - k + 1, k};
                }
            }
            for (const qsizetype t : touched)
                m_lengths[t] = 0;
            touched.clear();
            std::swap(m_lengths, m_newLengths);
            std::swap(touched, newTouched);
        }
        for (const qsizetype t : touched)
            m_lengths[t] = 0;

        while (best.a > alo && best.b > blo && m_a[best.a - 1] == m_b[best.b - 1]) {
            --best.a;
            --best.b;
            ++best.size;
        }
        while (best.a + best.size < ahi && best.b + best.size < bhi &&
               m_a[best.a + best.size] == m_b[best.b + best.size])
            ++best.size;
        return best;
    }

    const std::vector<char32_t>& m_a;
    const std::vector<char32_t>& m_b;
    std::unordered_map<char32_t, std::vector<qsizetype>> m_positions;
    std::vector<qsizetype> m_lengths;
    std::vector<qsizetype> m_newLengths;
};

void addSpan(std::vector<TextSpan>& spans, const CodePoints& text, qsizetype from, qsizetype to)
{
    if (from == to)
        return;
    const qsizetype start = text.offsets[from];
    const qsizetype length = text.offsets[to] - start;
    if (!spans.empty() && spans.back().from + spans.back().length == start)
        spans.back().length += length;
    else
        spans.push_back({start, length});
}

} // namespace

AnswerDiff diffAnswer(QStringView answer, QStringView reference)
{
    const CodePoints a(answer);
    const CodePoints b(reference);
    AnswerDiff diff;
    qsizetype i = 0;
    qsizetype j = 0;
    for (const Match& m : SequenceMatcher(a.chars, b.chars).matchingBlocks()) {
        addSpan(diff.wrong, a, i, m.a);
        addSpan(diff.missing, b, j, m.b);
        i = m.a + m.size;
        j = m.b + m.size;
    }
    return diff;
}
