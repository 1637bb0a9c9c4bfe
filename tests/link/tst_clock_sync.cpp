#include "link/clock_sync.h"
#include "plan_script.h"

#include <QtTest>

using namespace zorvan;
using zorvan::test::planLines;
using zorvan::test::PlanScript;

namespace {

// The values of the frames in `bytes`, by command name.
QMap<QByteArray, QByteArray> frameValues(const QByteArray &bytes)
{
    QMap<QByteArray, QByteArray> values;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype separator = bytes.indexOf('\x01', at);
        const qsizetype end = bytes.indexOf('\x02', separator);
        if (bytes.at(at) != '\x00' || separator < 0 || end < 0)
            return {};
        values.insert(bytes.mid(at + 1, separator - at - 1), bytes.mid(separator + 1, end - separator - 1));
        at = end + 1;
    }
    return values;
}

QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

} // namespace

class TestClockSync : public QObject {
    Q_OBJECT

private slots:
    void bytesOfTheMoment_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QByteArray>("date");
        QTest::newRow("midnight, 1 January 2026")
            << at(2026, 1, 1, 0, 0, 0) << QByteArray("\x04\x04\x04") << QByteArray("\x1A\x05\x05");
        QTest::newRow("last second of 2025")
            << at(2025, 12, 31, 23, 59, 59) << QByteArray("\x1B\x3F\x3F") << QByteArray("\x19\x10\x23");
        QTest::newRow("leap day of the first year")
            << at(2004, 2, 29, 12, 30, 45) << QByteArray("\x10\x22\x31") << QByteArray("\x04\x06\x21");
        QTest::newRow("last year the byte holds")
            << at(2255, 6, 15, 1, 2, 3) << QByteArray("\x05\x06\x07") << QByteArray("\xFF\x0A\x13");
    }
    void bytesOfTheMoment()
    {
        QFETCH(QDateTime, now);
        QFETCH(QByteArray, time);
        QFETCH(QByteArray, date);
        const PlanOrError result = SynchronizeClock(now);
        QVERIFY(result.plan);
        QVERIFY(result.error.isEmpty());
        const auto values = frameValues(result.plan->bytes());
        QCOMPARE(values.keys(), QList<QByteArray>({ "DATE", "SAVE", "TIME" }));
        QCOMPARE(values.value("TIME"), time);
        QCOMPARE(values.value("DATE"), date);
        QCOMPARE(values.value("SAVE"), QByteArray("0"));
    }

    void wholePlan()
    {
        const PlanOrError result = SynchronizeClock(at(2026, 3, 14, 15, 9, 26));
        QVERIFY(result.plan);
        const PlanScript expected = PlanScript()
                                        .write(QByteArray("\x00TIME", 5))
                                        .pause(200)
                                        .write("\x01")
                                        .report("Sending TIME and DATE to RDS encoder... 10%", 1)
                                        .report("Sending HOURS to RDS encoder... 20%", 5)
                                        .write(QByteArray(1, char(15 + 4)))
                                        .report("Sending MINUTES to RDS encoder... 30%", 3)
                                        .write(QByteArray(1, char(9 + 4)))
                                        .report("Sending SECONDS to RDS encoder... 40%", 9)
                                        .write(QByteArray(1, char(26 + 4)))
                                        .write("\x02")
                                        .pause(200)
                                        .write(QByteArray("\x00"
                                                          "DATE\x01",
                                            6))
                                        .report("Sending YEAR to RDS encoder... 60%", 13)
                                        .write(QByteArray(1, char(22 + 4)))
                                        .pause(200)
                                        .report("Sending MONTH to RDS encoder... 80%", 16)
                                        .write(QByteArray(1, char(3 + 4)))
                                        .pause(200)
                                        .report("Sending DAY to RDS encoder... 90%", 19)
                                        .write(QByteArray(1, char(14 + 4)))
                                        .write("\x02")
                                        .pause(200)
                                        .write(QByteArray("\x00SAVE\x01", 6))
                                        .report("Sending store settings command... 95%", 19)
                                        .write("0\x02")
                                        .pause(500);
        QCOMPARE(planLines(*result.plan), expected.lines());
        QCOMPARE(result.plan->totalPauseMs(), 1500);
    }

    void clockThatCannotBeSent_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("last second before 2004") << at(2003, 12, 31, 23, 59, 59) << "2003";
        QTest::newRow("a battery-dead 1970") << at(1970, 1, 1, 0, 0, 0) << "1970";
        QTest::newRow("first day after 2255") << at(2256, 1, 1, 0, 0, 0) << "2256";
        QTest::newRow("no time at all") << QDateTime() << "";
    }
    void clockThatCannotBeSent()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, mentions);
        const PlanOrError result = SynchronizeClock(now);
        QVERIFY(!result.plan);
        QVERIFY(!result.error.isEmpty());
        QVERIFY2(result.error.contains(mentions), qPrintable(result.error));
    }
};

QTEST_APPLESS_MAIN(TestClockSync)
#include "tst_clock_sync.moc"
