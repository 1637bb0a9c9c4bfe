#include "content/programme_text_upload.h"
#include "form1_harness.h"
#include "link/clock_sync.h"
#include "link/com_port_map.h"
#include "link/link_failure_message.h"
#include "link/memory_serial_port.h"
#include "link/mode_command.h"
#include "link/settings_upload.h"
#include "ui/help_support.h"
#include "ui/transmission_wiring.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <condition_variable>
#include <mutex>

using namespace zorvan;
using namespace std::chrono_literals;
using zorvan::test::Form1Harness;

namespace {

// Holds the link's worker in its pauses until the test lets it go on, so
// that the window can be looked at in the middle of a transmission.
class PauseGate {
public:
    Pacer pacer()
    {
        return [this](std::chrono::milliseconds) {
            std::unique_lock lock(m_mutex);
            const int mine = ++m_reached;
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return m_open || m_allowed >= mine; });
        };
    }
    int reached() const
    {
        std::lock_guard lock(m_mutex);
        return m_reached;
    }
    void step()
    {
        std::lock_guard lock(m_mutex);
        ++m_allowed;
        m_changed.notify_all();
    }
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void close()
    {
        std::lock_guard lock(m_mutex);
        m_open = false;
        m_allowed = m_reached;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_reached = 0;
    int m_allowed = 0;
    bool m_open = true;
};

template <class Condition> bool waitFor(Condition condition, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(1);
    }
    return true;
}

const QDateTime kClockTime(QDate(2026, 3, 14), QTime(15, 9, 26));

// A started window over a memory store, the link on a port in memory and
// the wiring between them. Messages are collected instead of shown.
struct Rig {
    explicit Rig(const std::map<QString, QString> &stored = {})
    {
        for (const auto &[key, value] : stored)
            harness.store(key, value);
        form = &harness.start();
        auto memoryPort = std::make_unique<MemorySerialPort>();
        port = memoryPort.get();
        link = std::make_unique<EncoderLink>(std::move(memoryPort), gate.pacer());
        wiring = std::make_unique<TransmissionWiring>(*form, *link, harness.settings, harness.backend);
        wiring->setClock([] { return kClockTime; });
        previousSink = setMessageSink([this](QWidget *, const QString &text) { messages << text; });
    }
    ~Rig()
    {
        gate.open();
        link->waitForIdle();
        setMessageSink(previousSink);
    }

    bool idle()
    {
        return waitFor([this] { return !link->busy(); });
    }

    QPushButton *sendSettings() const { return form->rightColumn().sendSettings; }
    QPushButton *sendRtAndPs() const { return form->rightColumn().sendRtAndPs; }
    QPushButton *synchronizeTime() const { return form->messagePage().synchronizeTime; }
    QPushButton *setMode() const { return form->hiddenPanels().setMode; }
    QPushButton *button(const QString &name) const { return form->findChild<QPushButton *>(name); }
    int progress() const { return form->rightColumn().progress->value(); }

    // "Command12" etc. of the buttons that are enabled.
    QStringList enabledButtons() const
    {
        QStringList names;
        for (QPushButton *b : { sendSettings(), sendRtAndPs(), synchronizeTime() }) {
            if (b->isEnabled())
                names << b->objectName();
        }
        return names;
    }

    Form1Harness harness;
    Form1 *form = nullptr;
    PauseGate gate;
    MemorySerialPort *port = nullptr;
    std::unique_ptr<EncoderLink> link;
    std::unique_ptr<TransmissionWiring> wiring;
    QStringList messages;
    MessageSink previousSink;
};

// What the status bar and the progress bar show during each pause of
// `plan`: the last report before it, and the last step given so far.
struct Shown {
    QString status;
    int progress = 0;
};
QList<Shown> shownAtPauses(const Transmission &plan)
{
    QList<Shown> shown;
    Shown now { QStringLiteral("Ready"), 0 };
    for (const Step &step : plan.steps()) {
        if (step.kind == Step::Kind::Report) {
            now.status = step.text;
            if (step.progress)
                now.progress = static_cast<int>(std::lround(*step.progress));
        } else if (step.kind == Step::Kind::Pause && step.milliseconds > 0) {
            shown << now;
        }
    }
    return shown;
}

const std::map<QString, QString> kStation {
    { "COMSelected", "3" },
    { "COMSpeed", "4" },
    { "MODE", "3" },
    { "PTY", "10" },
    { "AF1", "125" },
    { "AF2", "0" },
    { "AF3", "31" },
    { "AFNum", "5" },
    { "RT", "ON AIR NOW" },
    { "MG3", "ROAD WORKS" },
    { "PS", "STATIC  " },
    { "PSDelay7", "4" },
};

} // namespace

class TestTransmissionWiring : public QObject {
    Q_OBJECT

private slots:
    // Each button sends what its builder makes of the record and the window
    // at the press, on the port and speed of the record, and the displays
    // show every report in turn and end at "Ready" and 0.
    void buttonSendsItsPlanAndShowsEveryReport_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("Send settings") << "Command12";
        QTest::newRow("Send RT and PS") << "Command10";
        QTest::newRow("Synchronize time") << "Command11";
        QTest::newRow("Set MODE, stored 3 while the panel shows 0") << "CommandSetMode";
    }
    void buttonSendsItsPlanAndShowsEveryReport()
    {
        QFETCH(QString, button);
        Rig rig(kStation);
        setComPortDevice(rig.harness.backend, 3, QStringLiteral("/dev/board-under-test"));

        // Fields that differ from the record: the upload reads the window.
        rig.form->rightColumn().rdsActive->setChecked(false);
        rig.form->labelPages().labels[0]->setText(QStringLiteral("FIELD0  "));
        rig.form->labelPages().labels[5]->setText(QStringLiteral("FIELD5  "));
        QVERIFY(rig.harness.settings.RDSActive);
        QVERIFY(rig.form->hiddenPanels().modeOptions[0]->isChecked());

        Transmission expected;
        if (button == "Command12") {
            SettingsUploadInput input;
            input.settings = rig.harness.settings;
            input.rdsActive = false;
            input.afTexts = { "100", "empty", "90.6", "empty", "empty", "empty", "empty" };
            input.firstLabel = QStringLiteral("FIELD0  ");
            expected = SendSettings(input).plan;
        } else if (button == "Command10") {
            ProgrammeTextSnapshot snapshot;
            snapshot.RT = QStringLiteral("ON AIR NOW");
            snapshot.MG = rig.harness.settings.MG;
            QCOMPARE(snapshot.MG[3], QStringLiteral("ROAD WORKS"));
            snapshot.labels = rig.harness.settings.PS;
            snapshot.labels[0] = QStringLiteral("FIELD0  ");
            snapshot.labels[5] = QStringLiteral("FIELD5  ");
            for (int i = 0; i < kLabelCount; ++i)
                snapshot.delays[i] = QString::number(rig.harness.settings.PSDelay[i]);
            QCOMPARE(snapshot.delays[7], QStringLiteral("4"));
            expected = SendRtAndPs(snapshot);
        } else if (button == "Command11") {
            expected = *SynchronizeClock(kClockTime).plan;
        } else {
            expected = SetMode(3);
        }

        rig.gate.close();
        rig.button(button)->click();
        const QList<Shown> shown = shownAtPauses(expected);
        for (int n = 0; n < shown.size(); ++n) {
            QVERIFY2(waitFor([&] { return rig.gate.reached() == n + 1; }), qPrintable(QString::number(n)));
            QVERIFY(waitFor([&] { return rig.form->statusText() == shown[n].status; }));
            QCOMPARE(rig.progress(), shown[n].progress);
            rig.gate.step();
        }
        QVERIFY(rig.idle());

        QCOMPARE(rig.port->written(), expected.bytes());
        QCOMPARE(rig.port->openCount(), 1);
        QCOMPARE(rig.port->lastDevice(), QStringLiteral("/dev/board-under-test"));
        QCOMPARE(rig.port->appliedLine(), *LineSettingsTable(4));
        QCOMPARE(rig.form->statusText(), QStringLiteral("Ready"));
        QCOMPARE(rig.progress(), 0);
        QCOMPARE(rig.enabledButtons().size(), 3);
        QVERIFY(rig.messages.isEmpty());
    }

    // The pressed upload button stays enabled and the two others wait for
    // its end; no press starts a second transmission meanwhile.
    void uploadButtonsDuringAndAfterARun_data()
    {
        QTest::addColumn<QString>("pressed");
        QTest::addColumn<QStringList>("enabledDuring");
        QTest::newRow("Send settings") << "Command12" << QStringList { "Command12" };
        QTest::newRow("Send RT and PS") << "Command10" << QStringList { "Command10" };
        QTest::newRow("Synchronize time") << "Command11" << QStringList { "Command11" };
    }
    void uploadButtonsDuringAndAfterARun()
    {
        QFETCH(QString, pressed);
        QFETCH(QStringList, enabledDuring);
        Rig rig;
        rig.gate.close();
        rig.button(pressed)->click();
        QVERIFY(waitFor([&] { return rig.gate.reached() == 1; }));
        QCOMPARE(rig.enabledButtons(), enabledDuring);

        // Every press now is refused, the enabled one and Set MODE included,
        // also when made directly rather than through a disabled button.
        rig.button(pressed)->click();
        rig.setMode()->click();
        QVERIFY(!rig.wiring->sendSettings());
        QVERIFY(!rig.wiring->sendRtAndPs());
        QVERIFY(!rig.wiring->synchronizeTime());
        QVERIFY(!rig.wiring->setMode());
        QCOMPARE(rig.enabledButtons(), enabledDuring);

        rig.gate.open();
        QVERIFY(rig.idle());
        QCOMPARE(rig.port->openCount(), 1);
        QCOMPARE(rig.enabledButtons().size(), 3);
        QVERIFY(rig.messages.isEmpty());
        // And the next press goes out again.
        QVERIFY(rig.wiring->setMode());
        QVERIFY(rig.idle());
        QCOMPARE(rig.port->openCount(), 2);
    }

    // The song engine's transmissions leave the buttons enabled, but a
    // press during one is refused and nothing is mixed into its frames.
    void pressDuringAnotherTransmissionIsRefused()
    {
        Rig rig;
        Transmission engine;
        engine.frame("PS00", "ENGINE  ");
        engine.pause(100);
        engine.frame("PD00", "2");
        rig.gate.close();
        QVERIFY(rig.link->run(engine, {}));
        QVERIFY(waitFor([&] { return rig.gate.reached() == 1; }));

        for (QPushButton *button :
            { rig.sendSettings(), rig.sendRtAndPs(), rig.synchronizeTime(), rig.setMode() })
            button->click();
        QCOMPARE(rig.enabledButtons().size(), 3);

        rig.gate.open();
        QVERIFY(rig.idle());
        QTest::qWait(20);
        QVERIFY(!rig.link->busy());
        QCOMPARE(rig.port->written(), engine.bytes());
        QCOMPARE(rig.port->openCount(), 1);
    }

    // A port that cannot be opened: one message naming why, nothing sent,
    // the buttons back, and the displays as they were (the link reports
    // nothing when it never opened the port).
    void portThatDoesNotOpen_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<OpenOutcome>("open");
        QTest::addColumn<QString>("message");
        const QString missing = QStringLiteral(
            "The selected COM port does not exist, please select another port under File > Setup");
        QTest::newRow("missing, Send settings") << "Command12" << OpenOutcome::Missing << missing;
        QTest::newRow("missing, Send RT and PS") << "Command10" << OpenOutcome::Missing << missing;
        QTest::newRow("missing, Synchronize time") << "Command11" << OpenOutcome::Missing << missing;
        QTest::newRow("missing, Set MODE") << "CommandSetMode" << OpenOutcome::Missing << missing;
        QTest::newRow("busy") << "Command12" << OpenOutcome::Busy
                              << linkFailureMessage(LinkOutcome::PortBusy);
        QTest::newRow("denied") << "Command10" << OpenOutcome::Denied
                                << linkFailureMessage(LinkOutcome::PortDenied);
        QTest::newRow("not a serial port")
            << "Command11" << OpenOutcome::Error << linkFailureMessage(LinkOutcome::PortError);
    }
    void portThatDoesNotOpen()
    {
        QFETCH(QString, button);
        QFETCH(OpenOutcome, open);
        QFETCH(QString, message);
        Rig rig(kStation);
        rig.port->setOpenOutcome(open);
        rig.form->setStatusText(QStringLiteral("as before"));
        rig.form->rightColumn().progress->setValue(7);

        rig.button(button)->click();
        QVERIFY(rig.idle());
        QCOMPARE(rig.messages, QStringList { message });
        QVERIFY(rig.port->written().isEmpty());
        QCOMPARE(rig.enabledButtons().size(), 3);
        QCOMPARE(rig.form->statusText(), QStringLiteral("as before"));
        QCOMPARE(rig.progress(), 7);
        // The count of alternative frequencies is made only once the port
        // is open.
        QCOMPARE(rig.harness.settings.AFNum, qint16(5));
    }

    // A line that fails part way: the operator is told once, and the
    // window is back at rest as after any transmission.
    void lineThatFailsDuringTheRun_data()
    {
        QTest::addColumn<bool>("stall");
        QTest::addColumn<LinkOutcome>("outcome");
        QTest::newRow("unplugged") << false << LinkOutcome::WriteFailed;
        QTest::newRow("stalled") << true << LinkOutcome::WriteTimeout;
    }
    void lineThatFailsDuringTheRun()
    {
        QFETCH(bool, stall);
        QFETCH(LinkOutcome, outcome);
        Rig rig;
        if (stall)
            rig.port->stallAfter(40);
        else
            rig.port->failAfter(40);
        rig.sendRtAndPs()->click();
        QVERIFY(rig.idle());
        QCOMPARE(rig.messages, QStringList { linkFailureMessage(outcome) });
        QCOMPARE(rig.enabledButtons().size(), 3);
        QCOMPARE(rig.form->statusText(), QStringLiteral("Ready"));
        QCOMPARE(rig.progress(), 0);
        QVERIFY(!rig.port->isOpen());
    }

    // "AFNum" is recounted from the shown lists and stored.
    void sendSettingsStoresTheCount_data()
    {
        QTest::addColumn<QStringList>("codes"); // AF1 .. AF7
        QTest::addColumn<QString>("count");
        QTest::newRow("all empty") << QStringList { "0", "0", "0", "0", "0", "0", "0" } << "0";
        QTest::newRow("one, then empty") << QStringList { "125", "0", "0", "0", "0", "0", "0" } << "1";
        QTest::newRow("a frequency after a gap is not counted")
            << QStringList { "125", "0", "31", "0", "0", "0", "0" } << "1";
        QTest::newRow("all seven") << QStringList { "1", "2", "3", "4", "5", "6", "204" } << "7";
    }
    void sendSettingsStoresTheCount()
    {
        QFETCH(QStringList, codes);
        QFETCH(QString, count);
        std::map<QString, QString> stored { { "AFNum", "3" } };
        for (int i = 0; i < kAfCount; ++i)
            stored[QStringLiteral("AF%1").arg(i + 1)] = codes[i];
        Rig rig(stored);
        rig.sendSettings()->click();
        QVERIFY(rig.idle());
        QCOMPARE(rig.harness.stored("AFNum"), count);
        QCOMPARE(QString::number(rig.harness.settings.AFNum), count);
    }

    // A computer clock the board cannot take: the reason, and nothing sent.
    void clockOutsideTheBoardsYears_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::newRow("2003") << QDateTime(QDate(2003, 12, 31), QTime(23, 59, 59));
        QTest::newRow("2256") << QDateTime(QDate(2256, 1, 1), QTime(0, 0));
        QTest::newRow("no valid time") << QDateTime();
    }
    void clockOutsideTheBoardsYears()
    {
        QFETCH(QDateTime, now);
        Rig rig;
        rig.wiring->setClock([now] { return now; });
        const QString error = SynchronizeClock(now).error;
        QVERIFY(!error.isEmpty());

        rig.synchronizeTime()->click();
        QVERIFY(rig.idle());
        QCOMPARE(rig.messages, QStringList { error });
        QCOMPARE(rig.port->openCount(), 0);
        QCOMPARE(rig.enabledButtons().size(), 3);
        QCOMPARE(rig.form->statusText(), QStringLiteral("Ready"));
    }

    // The editors keep working during an upload: the change is saved at
    // once, is not mixed into the upload under way, and goes out next time.
    void editDuringARunIsSavedAndSentNextTime()
    {
        Rig rig(kStation);
        QComboBox *pty = rig.form->piPage().pty;
        const QByteArray before = SendSettings([&] {
            SettingsUploadInput in;
            in.settings = rig.harness.settings;
            in.afTexts = { "100", "empty", "90.6", "empty", "empty", "empty", "empty" };
            in.firstLabel = rig.harness.settings.PS[0];
            return in;
        }())
                                      .plan.bytes();
        rig.gate.close();
        rig.sendSettings()->click();
        QVERIFY(waitFor([&] { return rig.gate.reached() == 1; }));

        pty->setCurrentIndex(pty->currentIndex() + 3);
        QCOMPARE(rig.harness.settings.PTY, qint16(13));
        QCOMPARE(rig.harness.stored("PTY"), QStringLiteral("13"));

        rig.gate.open();
        QVERIFY(rig.idle());
        QCOMPARE(rig.port->written(), before);
        QCOMPARE(rig.harness.stored("PTY"), QStringLiteral("13"));

        const qsizetype first = rig.port->written().size();
        rig.sendSettings()->click();
        QVERIFY(rig.idle());
        const QByteArray second = rig.port->written().mid(first);
        QVERIFY(second.contains(QByteArray("\x00PTY\x01"
                                           "13\x02",
            8)));
        QVERIFY(before.contains(QByteArray("\x00PTY\x01"
                                           "10\x02",
            8)));
    }

    // The mode command touches no button, also while it runs.
    void setModeLeavesTheButtonsAlone()
    {
        Rig rig(kStation);
        rig.port->stallAfter(0);
        rig.setMode()->click();
        QCOMPARE(rig.enabledButtons().size(), 3);
        QVERIFY(rig.idle());
        QCOMPARE(rig.enabledButtons().size(), 3);
        QCOMPARE(rig.messages, QStringList { linkFailureMessage(LinkOutcome::WriteTimeout) });
    }

    // Closing the window during a transmission lets it finish (the board
    // is never left half-written), then saves and ends the program.
    void closeDuringARunWaitsForItsEnd_data()
    {
        QTest::addColumn<bool>("viaExitMenu");
        QTest::newRow("window closed") << false;
        QTest::newRow("E&xit") << true;
    }
    void closeDuringARunWaitsForItsEnd()
    {
        QFETCH(bool, viaExitMenu);
        Rig rig(kStation);
        QSignalSpy shutDown(rig.form, &Form1::shutDown);
        rig.gate.close();
        rig.sendSettings()->click();
        QVERIFY(waitFor([&] { return rig.gate.reached() == 1; }));

        if (viaExitMenu)
            rig.form->menus().exit->trigger();
        else
            QVERIFY(!rig.form->close());
        QVERIFY(rig.form->isVisible());
        QCOMPARE(shutDown.count(), 0);
        QVERIFY(rig.wiring->closePending());
        QCOMPARE(rig.form->statusText(), QStringLiteral("Finishing the transmission before closing..."));
        // The progress goes on while the status keeps the notice.
        rig.gate.step();
        rig.gate.step();
        QVERIFY(waitFor([&] { return rig.progress() == 2; }));
        QCOMPARE(rig.form->statusText(), QStringLiteral("Finishing the transmission before closing..."));
        QVERIFY(!rig.wiring->setMode());
        QVERIFY(rig.form->isVisible());

        rig.harness.backend.values.clear();
        rig.gate.open();
        QVERIFY(waitFor([&] { return shutDown.count() == 1; }));
        QVERIFY(!rig.form->isVisible());
        QCOMPARE(rig.port->openCount(), 1);
        QVERIFY(rig.port->written().endsWith(QByteArray("\x00SAVE\x01"
                                                        "0\x02",
            8)));
        QCOMPARE(rig.harness.stored("AFNum"), QStringLiteral("1"));
        QCOMPARE(rig.harness.stored("PTY"), QStringLiteral("10"));
    }

    void closeWhileIdleClosesAtOnce()
    {
        Rig rig;
        QSignalSpy shutDown(rig.form, &Form1::shutDown);
        QVERIFY(rig.form->close());
        QCOMPARE(shutDown.count(), 1);
        QVERIFY(!rig.wiring->closePending());
    }
};

QTEST_MAIN(TestTransmissionWiring)
#include "tst_transmission_wiring.moc"
