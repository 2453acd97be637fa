#include "Fsrs.h"
#include "ReviewTime.h"

#include <QDateTime>
#include <QFile>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(Fsrs::Card)
Q_DECLARE_METATYPE(Fsrs::Rating)

namespace {

// ts-fsrs writes times as the review tables store them.
std::int64_t msOf(QStringView iso)
{
    return parseReviewTime(iso).value();
}

Fsrs::Rating ratingOf(QStringView name)
{
    for (const auto& [text, rating] : {std::pair{u"Again", Fsrs::Rating::Again},
                                       {u"Hard", Fsrs::Rating::Hard},
                                       {u"Good", Fsrs::Rating::Good},
                                       {u"Easy", Fsrs::Rating::Easy}})
        if (name == text)
            return rating;
    qFatal("bad rating in the oracle table: %s", qPrintable(name.toString()));
}

bool near(double actual, double expected)
{
    return std::abs(actual - expected) <= 1e-9 * std::abs(expected);
}

} // namespace

// The table holds what ts-fsrs computed after each review of several logs; each row starts
// from the table's card before it, so a fault shows at the review that causes it.
class TestFsrs : public QObject {
    Q_OBJECT

private slots:
    void review_data()
    {
        QTest::addColumn<Fsrs::Card>("before");
        QTest::addColumn<Fsrs::Rating>("rating");
        QTest::addColumn<qint64>("at");
        QTest::addColumn<Fsrs::Card>("after");
        QTest::addColumn<qint64>("elapsed");
        QTest::addColumn<double>("retrievability");

        QFile table(QStringLiteral(WORDLARK_FSRS_ORACLE));
        QVERIFY(table.open(QIODevice::ReadOnly | QIODevice::Text));
        QString log;
        Fsrs::Card card;
        int rows = 0;
        while (!table.atEnd()) {
            const QString line = QString::fromUtf8(table.readLine()).chopped(1);
            const QStringList f = line.split(u'\t');
            if (line.startsWith(u'#') || f[0] == u"log")
                continue;
            QCOMPARE(f.size(), 12);
            if (f[0] != log)
                card = {};
            log = f[0];
            Fsrs::Card after;
            after.stability = f[4].toDouble();
            after.difficulty = f[5].toDouble();
            after.due = msOf(f[6]);
            after.lastReview = msOf(f[7]);
            after.reps = f[8].toInt();
            after.lapses = f[9].toInt();
            QTest::addRow("%s #%s %s", qPrintable(log), qPrintable(f[1]), qPrintable(f[3]))
                << card << ratingOf(f[3]) << qint64(msOf(f[2])) << after << f[10].toLongLong()
                << f[11].toDouble();
            card = after;
            ++rows;
        }
        QVERIFY(rows > 100);
    }

    void review()
    {
        QFETCH(Fsrs::Card, before);
        QFETCH(Fsrs::Rating, rating);
        QFETCH(qint64, at);
        QFETCH(Fsrs::Card, after);
        QFETCH(qint64, elapsed);
        QFETCH(double, retrievability);

        if (!before.isNew()) {
            QCOMPARE(Fsrs::elapsedDays(before.lastReview, at), elapsed);
            QVERIFY2(near(Fsrs::retrievability(double(elapsed), before.stability), retrievability),
                     qPrintable(QString::number(
                         Fsrs::retrievability(double(elapsed), before.stability), 'g', 17)));
        }
        const Fsrs::Card card = Fsrs::review(before, rating, at);
        QVERIFY2(near(card.stability, after.stability),
                 qPrintable(QString::number(card.stability, 'g', 17)));
        QVERIFY2(near(card.difficulty, after.difficulty),
                 qPrintable(QString::number(card.difficulty, 'g', 17)));
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(card.due, Qt::UTC),
                 QDateTime::fromMSecsSinceEpoch(after.due, Qt::UTC));
        QCOMPARE(card.lastReview, after.lastReview);
        QCOMPARE(card.reps, after.reps);
        QCOMPARE(card.lapses, after.lapses);
    }
};

QTEST_GUILESS_MAIN(TestFsrs)
#include "tst_fsrs.moc"
