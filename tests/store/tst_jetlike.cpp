#include "JetLike.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LikeMatch)

class TestJetLike : public QObject {
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        QTest::addColumn<LikeMatch>("expected");
        const auto yes = LikeMatch::Yes;
        const auto no = LikeMatch::No;
        const auto bad = LikeMatch::BadPattern;
        auto row = [](const char* name, const QString& pattern, const QString& text,
                      LikeMatch expected) { QTest::newRow(name) << pattern << text << expected; };

        row("empty matches empty", u""_s, u""_s, yes);
        row("empty misses text", u""_s, u"a"_s, no);
        row("literal", u"abc"_s, u"abc"_s, yes);
        row("literal is whole text", u"abc"_s, u"abcd"_s, no);
        row("star alone on empty", u"*"_s, u""_s, yes);
        row("star any run", u"a*c"_s, u"abbbc"_s, yes);
        row("star keeps the end", u"a*c"_s, u"abcd"_s, no);
        row("contains", u"*ear*"_s, u"Dear John"_s, yes);
        row("two stars empty search", u"**"_s, u"anything"_s, yes);
        row("question one char", u"h?t"_s, u"hat"_s, yes);
        row("question not zero", u"h?t"_s, u"ht"_s, no);
        row("question not two", u"h?t"_s, u"heat"_s, no);
        row("question on Japanese", u"?本"_s, u"日本"_s, yes);
        row("percent is no wildcard", u"%"_s, u"abc"_s, no);
        row("hash digit", u"room ##"_s, u"room 42"_s, yes);
        row("hash not letter", u"#"_s, u"a"_s, no);
        row("hash not full-width digit", u"#"_s, u"５"_s, no);
        row("set member", u"[abc]"_s, u"b"_s, yes);
        row("set non-member", u"[abc]"_s, u"d"_s, no);
        row("range", u"[a-c]x"_s, u"bx"_s, yes);
        row("range ignores case", u"[a-c]"_s, u"B"_s, yes);
        row("upper range ignores case", u"[A-C]"_s, u"b"_s, yes);
        row("negated set", u"[!a-c]"_s, u"d"_s, yes);
        row("negated set member", u"[!a-c]"_s, u"b"_s, no);
        row("negated set ignores case", u"[!a-c]"_s, u"B"_s, no);
        row("star in set is literal", u"[*]"_s, u"*"_s, yes);
        row("question in set is literal", u"[?]"_s, u"x"_s, no);
        row("bracket in set", u"[[]"_s, u"["_s, yes);
        row("closing bracket alone", u"a]"_s, u"a]"_s, yes);
        row("dash first in set", u"[-a]"_s, u"-"_s, yes);
        row("dash last in set", u"[a-]"_s, u"-"_s, yes);
        row("empty set consumes nothing", u"a[]b"_s, u"ab"_s, yes);
        row("ASCII case", u"HELLO"_s, u"hello"_s, yes);
        row("full-width case", u"ｈｅｌｌｏ"_s, u"ＨＥＬＬＯ"_s, yes);
        row("full-width is not ASCII", u"Ａ"_s, u"a"_s, no);
        row("other scripts keep case", u"é"_s, u"É"_s, no);
        row("unclosed set", u"["_s, u"x"_s, bad);
        row("unclosed set after text", u"*[a-c"_s, u"abc"_s, bad);
        row("reversed range", u"[c-a]"_s, u"b"_s, bad);
        row("many stars, no match, no blow-up", u"*a*a*a*a*a*a*a*a*b"_s, QString(5000, u'a'), no);
        row("many stars, match at the end", u"*a*a*a*a*b"_s, QString(5000, u'a') + u'b', yes);
    }

    void matches()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QFETCH(LikeMatch, expected);
        QCOMPARE(JetLikeMatch(pattern, text), expected);
    }
};

QTEST_GUILESS_MAIN(TestJetLike)
#include "tst_jetlike.moc"
