#include "link/clock_sync.h"
#include "link/encoder_link.h"
#include "memory_serial_port.h"
#include "link/mode_command.h"
#include "link/posix_serial_port.h"
#include "plan_over_pty.h"
#include "pty_reader.h"

#include <QSignalSpy>
#include <QtTest>

#include <condition_variable>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace zorvan;
using namespace std::chrono_literals;
using zorvan::test::PtyReader;

namespace {

// A pacer that holds the worker in its first pause until released, so a
// test can act while a transmission is certainly running.
class Gate {
public:
    Pacer pacer()
    {
        return [this](std::chrono::milliseconds) {
            std::unique_lock lock(m_mutex);
            m_waiting = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_open; });
        };
    }
    void waitUntilHeld()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 5s, [this] { return m_waiting; });
    }
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_waiting = false;
    bool m_open = false;
};

// Everything the window would see, in the order it saw it.
struct Timeline : QObject {
    explicit Timeline(EncoderLink &link)
    {
        connect(
            &link, &EncoderLink::reportStep, this, [this](const QString &text, std::optional<double> step) {
                events << (step ? QStringLiteral("%1 | %2").arg(text).arg(*step) : text);
            });
        connect(&link, &EncoderLink::progressReset, this, [this] { events << QStringLiteral("reset"); });
    }
    std::function<void(LinkOutcome)> done()
    {
        return [this](LinkOutcome outcome) {
            events << QStringLiteral("done");
            outcomes.push_back(outcome);
        };
    }
    QStringList events;
    std::vector<LinkOutcome> outcomes;
};

QStringList reportsOf(const Transmission &plan)
{
    QStringList reports;
    for (const Step &step : plan.steps()) {
        if (step.kind == Step::Kind::Report)
            reports << (step.progress ? QStringLiteral("%1 | %2").arg(step.text).arg(*step.progress)
                                      : step.text);
    }
    return reports;
}

Transmission clockPlan()
{
    return *SynchronizeClock(QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0))).plan;
}

} // namespace

class TestEncoderLink : public QObject {
    Q_OBJECT

private slots:
    void reportsArriveInOrderThenDone()
    {
        auto port = std::make_unique<MemorySerialPort>();
        MemorySerialPort *memory = port.get();
        EncoderLink link(std::move(port), [](std::chrono::milliseconds) {});
        link.setPortConfig({ QStringLiteral("/dev/ttyUSB0"), LineSettingsTable(4) });
        Timeline timeline(link);
        const Transmission plan = clockPlan();
        QVERIFY(link.run(plan, timeline.done()));
        QTRY_COMPARE(timeline.outcomes.size(), std::size_t(1));
        QCOMPARE(timeline.outcomes.front(), LinkOutcome::Sent);
        QCOMPARE(timeline.events,
            reportsOf(plan) << "reset"
                            << "done");
        QVERIFY(!link.busy());
        QCOMPARE(memory->written(), plan.bytes());
        QCOMPARE(memory->lastDevice(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(memory->appliedLine().baudRate, 38400);
    }

    void secondRunRefusedWhileBusy()
    {
        Gate gate;
        auto port = std::make_unique<MemorySerialPort>();
        MemorySerialPort *memory = port.get();
        EncoderLink link(std::move(port), gate.pacer());
        Timeline first(link);
        bool secondDone = false;
        QVERIFY(link.run(clockPlan(), first.done()));
        gate.waitUntilHeld();
        QVERIFY(link.busy());
        QVERIFY(!link.run(SetMode(1), [&](LinkOutcome) { secondDone = true; }));
        gate.open();
        QTRY_COMPARE(first.outcomes.size(), std::size_t(1));
        QVERIFY(!link.busy());
        QCOMPARE(memory->openCount(), 1);
        QCOMPARE(memory->written(), clockPlan().bytes());
        // Free again once the first has ended.
        QVERIFY(link.run(SetMode(1), [&](LinkOutcome) { secondDone = true; }));
        QTRY_VERIFY(secondDone);
        QCOMPARE(memory->openCount(), 2);
    }

    void missingPortReportsNothing()
    {
        auto port = std::make_unique<MemorySerialPort>();
        port->setOpenOutcome(OpenOutcome::Missing);
        EncoderLink link(std::move(port), [](std::chrono::milliseconds) {});
        Timeline timeline(link);
        QSignalSpy finished(&link, &EncoderLink::finished);
        QVERIFY(link.run(SetMode(0), timeline.done()));
        QVERIFY(finished.wait(5000));
        QCOMPARE(timeline.events, QStringList({ "done" }));
        QCOMPARE(timeline.outcomes.front(), LinkOutcome::PortMissing);
    }

    // The window's close lets a running transmission end and hears of it
    // before it goes.
    void waitForIdleDeliversEverything()
    {
        Gate gate;
        EncoderLink link(std::make_unique<MemorySerialPort>(), gate.pacer());
        Timeline timeline(link);
        const Transmission plan = clockPlan();
        QVERIFY(link.run(plan, timeline.done()));
        gate.waitUntilHeld();
        std::thread release([&] { gate.open(); });
        link.waitForIdle();
        release.join();
        QVERIFY(!link.busy());
        QCOMPARE(timeline.events,
            reportsOf(plan) << "reset"
                            << "done");
        // Nothing arrives twice once the queued deliveries run.
        QCoreApplication::processEvents();
        QCOMPARE(timeline.outcomes.size(), std::size_t(1));
    }

    // The real thing: the system's port, a pseudo-terminal for the board,
    // real pauses.
    void overAPseudoTerminal_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::newRow("SynchronizeClock") << "clock";
        QTest::newRow("SetMode") << "mode";
    }
    void overAPseudoTerminal()
    {
        QFETCH(QString, sender);
        PtyReader board;
        QVERIFY(board.isValid());
        EncoderLink link; // the system's serial port, sleeping between frames
        link.setPortConfig({ board.slavePath(), LineSettingsTable(2) });
        Timeline timeline(link);
        const Transmission plan = sender == "clock" ? clockPlan() : SetMode(3);
        QVERIFY(link.run(plan, timeline.done()));
        QTRY_COMPARE_WITH_TIMEOUT(timeline.outcomes.size(), std::size_t(1), 10000);
        QCOMPARE(timeline.outcomes.front(), LinkOutcome::Sent);
        QVERIFY(board.waitForBytes(plan.bytes().size(), 5s));
        QCOMPARE(board.bytes(), plan.bytes());
        QCOMPARE(timeline.events,
            reportsOf(plan) << "reset"
                            << "done");

        const QStringList faults = test::shortSilences(plan, board);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        QCOMPARE(test::pauseGaps(plan).size(), std::size_t(sender == "clock" ? 5 : 0));

        // Closed again: the next transmission finds it free.
        const int holder = ::open(QFile::encodeName(board.slavePath()).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(holder >= 0);
        QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
        ::close(holder);
        QVERIFY(!test::terminalIsExclusive(board.slaveFd()));
        QCOMPARE(test::terminalSpeed(board.slaveFd()), 14400);
    }
};

QTEST_GUILESS_MAIN(TestEncoderLink)
#include "tst_encoder_link.moc"
