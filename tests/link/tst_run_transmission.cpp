#include "link/clock_sync.h"
#include "link/link_failure_message.h"
#include "memory_serial_port.h"
#include "link/mode_command.h"
#include "link/run_transmission.h"

#include <QtTest>

using namespace zorvan;
using Event = MemorySerialPort::Event;

Q_DECLARE_METATYPE(zorvan::OpenOutcome)
Q_DECLARE_METATYPE(zorvan::LinkOutcome)

namespace {

// What the display and the pacer saw, in order.
class Recorder : public ProgressSink {
public:
    void ReportStep(const QString &text, std::optional<double> progress) override
    {
        log << (progress ? QStringLiteral("report %1 step %2").arg(text).arg(*progress)
                         : QStringLiteral("report %1").arg(text));
    }
    void ResetProgress() override { log << QStringLiteral("reset"); }
    Pacer pacer()
    {
        return [this](std::chrono::milliseconds ms) { log << QStringLiteral("pause %1").arg(ms.count()); };
    }
    int count(const QString &prefix) const
    {
        return int(
            std::count_if(log.cbegin(), log.cend(), [&](const QString &l) { return l.startsWith(prefix); }));
    }
    QStringList log;
};

Transmission clockPlan()
{
    return *SynchronizeClock(QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0))).plan;
}

LinkOutcome runOn(MemorySerialPort &port, Recorder &recorder, const Transmission &plan,
    std::optional<LineSettings> line = std::nullopt)
{
    return runTransmission(plan, port, QStringLiteral("/dev/ttyS0"), line, recorder.pacer(), recorder);
}

} // namespace

class TestRunTransmission : public QObject {
    Q_OBJECT

private slots:
    void completeRun()
    {
        MemorySerialPort port;
        Recorder recorder;
        const Transmission plan = clockPlan();
        QCOMPARE(runOn(port, recorder, plan), LinkOutcome::Sent);
        QCOMPARE(port.written(), plan.bytes());
        QVERIFY(!port.isOpen());
        QCOMPARE(port.lastDevice(), QStringLiteral("/dev/ttyS0"));
        // Drained before closed, and the display reset only at the very end.
        const auto events = port.events();
        QCOMPARE(events.front(), Event::Open);
        QCOMPARE(events.back(), Event::Close);
        QCOMPARE(events[events.size() - 2], Event::Drain);
        QCOMPARE(recorder.log.last(), QStringLiteral("reset"));
        QCOMPARE(recorder.count("reset"), 1);
        QCOMPARE(recorder.count("report"), 8);
        QStringList pauses;
        for (const QString &line : recorder.log) {
            if (line.startsWith("pause"))
                pauses << line;
        }
        QCOMPARE(pauses,
            QStringList({ "pause 200", "pause 200", "pause 200", "pause 200", "pause 200", "pause 500" }));
    }

    // A port that does not open leaves everything as it was: the window
    // shows a message instead.
    void portThatDoesNotOpen_data()
    {
        QTest::addColumn<OpenOutcome>("opened");
        QTest::addColumn<LinkOutcome>("outcome");
        QTest::newRow("missing") << OpenOutcome::Missing << LinkOutcome::PortMissing;
        QTest::newRow("held by another program") << OpenOutcome::Busy << LinkOutcome::PortBusy;
        QTest::newRow("no permission") << OpenOutcome::Denied << LinkOutcome::PortDenied;
        QTest::newRow("not a serial port") << OpenOutcome::Error << LinkOutcome::PortError;
    }
    void portThatDoesNotOpen()
    {
        QFETCH(OpenOutcome, opened);
        QFETCH(LinkOutcome, outcome);
        MemorySerialPort port;
        port.setOpenOutcome(opened);
        Recorder recorder;
        QCOMPARE(runOn(port, recorder, clockPlan()), outcome);
        QVERIFY(port.written().isEmpty());
        QCOMPARE(port.events(), std::vector<Event>({ Event::Open }));
        QVERIFY(recorder.log.isEmpty());
        QVERIFY(!linkFailureMessage(outcome).isEmpty());
    }

    // The line fails part way: the run stops at that write, reports the
    // failure once through its outcome, closes the port and resets the
    // display.
    void lineFailsPartWay_data()
    {
        QTest::addColumn<bool>("stall");
        QTest::addColumn<int>("after");
        QTest::addColumn<LinkOutcome>("outcome");
        QTest::addColumn<int>("pausesBefore");
        // The clock plan writes 5 bytes, pauses, then 1 + 3 + 1 more.
        QTest::newRow("unplugged at the first byte") << false << 0 << LinkOutcome::WriteFailed << 0;
        QTest::newRow("unplugged inside TIME after its first pause")
            << false << 6 << LinkOutcome::WriteFailed << 1;
        QTest::newRow("stalled at the first byte") << true << 0 << LinkOutcome::WriteTimeout << 0;
        QTest::newRow("stalled inside DATE") << true << 14 << LinkOutcome::WriteTimeout << 2;
        QTest::newRow("unplugged after the last byte, while draining")
            << false << 28 << LinkOutcome::WriteFailed << 6;
        QTest::newRow("stalled after the last byte, while draining")
            << true << 28 << LinkOutcome::WriteTimeout << 6;
    }
    void lineFailsPartWay()
    {
        QFETCH(bool, stall);
        QFETCH(int, after);
        QFETCH(LinkOutcome, outcome);
        QFETCH(int, pausesBefore);
        const Transmission plan = clockPlan();
        QCOMPARE(plan.bytes().size(), 28);
        MemorySerialPort port;
        if (stall)
            port.stallAfter(after);
        else
            port.failAfter(after);
        Recorder recorder;
        QCOMPARE(runOn(port, recorder, plan), outcome);
        QCOMPARE(port.written(), plan.bytes().first(after));
        QVERIFY(!port.isOpen());
        QCOMPARE(port.events().back(), Event::Close);
        // Nothing after the failing write: no further write, pause or report.
        const auto events = port.events();
        const auto failed = after < plan.bytes().size()
            ? std::find(events.rbegin(), events.rend(), Event::Write)
            : std::find(events.rbegin(), events.rend(), Event::Drain);
        QCOMPARE(std::distance(events.rbegin(), failed), 1);
        QCOMPARE(recorder.count("pause"), pausesBefore);
        QCOMPARE(recorder.count("reset"), 1);
        QCOMPARE(recorder.log.last(), QStringLiteral("reset"));
    }

    // The dynamic engine's gaps write nothing and wait for nothing.
    void frameGapNeitherWritesNorWaits()
    {
        Transmission plan;
        plan.frame("PS00", "ONE     ");
        plan.frameGap();
        plan.frame("PS01", "TWO     ");
        plan.frameGap();
        MemorySerialPort port;
        Recorder recorder;
        QCOMPARE(runOn(port, recorder, plan), LinkOutcome::Sent);
        QCOMPARE(port.written(), plan.bytes());
        QCOMPARE(recorder.log, QStringList({ "reset" }));
    }

    void modeCommandDrainsBeforeClosing()
    {
        MemorySerialPort port;
        Recorder recorder;
        QCOMPARE(runOn(port, recorder, SetMode(4)), LinkOutcome::Sent);
        QCOMPARE(port.written(),
            QByteArray("\x00MODE\x01"
                       "4\x02",
                8));
        const auto events = port.events();
        QCOMPARE(events.back(), Event::Close);
        QCOMPARE(events[events.size() - 2], Event::Drain);
        QCOMPARE(recorder.log, QStringList({ "report Sending MODE... 10% step 1", "reset" }));
    }

    // The speed stays with the program: a run without a speed of its own
    // uses the one applied last, 9600 baud before any.
    void speedWithoutTableEntry()
    {
        MemorySerialPort port;
        Recorder recorder;
        runOn(port, recorder, SetMode(0), LineSettingsTable(0));
        QCOMPARE(port.appliedLine(), kInitialLineSettings);
        runOn(port, recorder, SetMode(0), LineSettingsTable(3));
        QCOMPARE(port.appliedLine().baudRate, 19200);
        runOn(port, recorder, SetMode(0), LineSettingsTable(5));
        QCOMPARE(port.appliedLine().baudRate, 19200);
    }

    void failureMessages()
    {
        QCOMPARE(linkFailureMessage(LinkOutcome::PortMissing),
            QStringLiteral(
                "The selected COM port does not exist, please select another port under File > Setup"));
        QVERIFY(linkFailureMessage(LinkOutcome::Sent).isEmpty());
        const QList<LinkOutcome> failures = { LinkOutcome::PortMissing, LinkOutcome::PortBusy,
            LinkOutcome::PortDenied, LinkOutcome::PortError, LinkOutcome::WriteFailed,
            LinkOutcome::WriteTimeout, LinkOutcome::BadPlan, LinkOutcome::HostUnknown,
            LinkOutcome::ServerRefused, LinkOutcome::ServerUnreachable, LinkOutcome::ConnectionLost };
        QSet<QString> distinct;
        for (LinkOutcome outcome : failures)
            distinct.insert(linkFailureMessage(outcome));
        QCOMPARE(distinct.size(), failures.size());
        QVERIFY(!distinct.contains(QString()));
    }
};

QTEST_APPLESS_MAIN(TestRunTransmission)
#include "tst_run_transmission.moc"
