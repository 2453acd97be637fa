#include "AnswerDiff.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using Spans = QList<std::pair<qsizetype, qsizetype>>;

namespace {

Spans spansOf(const QJsonArray& array)
{
    Spans spans;
    for (const QJsonValue& span : array)
        spans.append({span[0].toInteger(), span[1].toInteger()});
    return spans;
}

Spans spansOf(const std::vector<TextSpan>& list)
{
    Spans spans;
    for (const TextSpan& span : list)
        spans.append({span.from, span.length});
    return spans;
}

} // namespace

// The table holds what Python's difflib finds for each pair of texts.
class TestAnswerDiff : public QObject {
    Q_OBJECT

private slots:
    void diffAnswer_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<Spans>("wrong");
        QTest::addColumn<Spans>("missing");

        QFile table(QStringLiteral(WORDLARK_DIFF_ORACLE));
        QVERIFY(table.open(QIODevice::ReadOnly));
        QJsonParseError error;
        const QJsonArray cases = QJsonDocument::fromJson(table.readAll(), &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(cases.size() > 20);
        for (const QJsonValue& c : cases)
            QTest::newRow(qPrintable(c[u"name"].toString()))
                << c[u"answer"].toString() << c[u"reference"].toString()
                << spansOf(c[u"wrong"].toArray()) << spansOf(c[u"missing"].toArray());
    }

    void diffAnswer()
    {
        QFETCH(QString, answer);
        QFETCH(QString, reference);
        QFETCH(Spans, wrong);
        QFETCH(Spans, missing);

        const AnswerDiff diff = ::diffAnswer(answer, reference);
        QCOMPARE(spansOf(diff.wrong), wrong);
        QCOMPARE(spansOf(diff.missing), missing);
    }
};

QTEST_GUILESS_MAIN(TestAnswerDiff)
#include "tst_answerdiff.moc"
