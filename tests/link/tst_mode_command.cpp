#include "link/mode_command.h"
#include "plan_script.h"

#include <QtTest>

using namespace zorvan;
using zorvan::test::planLines;
using zorvan::test::PlanScript;

class TestModeCommand : public QObject {
    Q_OBJECT

private slots:
    void wholePlan_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("digit");
        QTest::newRow("mode 0, normal") << 0 << QByteArray("0");
        QTest::newRow("mode 3 as stored, whatever the panel shows") << 3 << QByteArray("3");
        QTest::newRow("mode 5, the last") << 5 << QByteArray("5");
    }
    // No pause and no store command: the port closes right after the frame.
    void wholePlan()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, digit);
        const PlanScript expected = PlanScript()
                                        .write(QByteArray("\x00MODE\x01", 6))
                                        .report("Sending MODE... 10%", 1)
                                        .write(digit + '\x02');
        const Transmission plan = SetMode(qint16(mode));
        QCOMPARE(planLines(plan), expected.lines());
        QCOMPARE(plan.totalPauseMs(), 0);
    }
};

QTEST_APPLESS_MAIN(TestModeCommand)
#include "tst_mode_command.moc"
