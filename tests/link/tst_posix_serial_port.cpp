#include "link/clock_sync.h"
#include "link/line_speed.h"
#include "link/mode_command.h"
#include "link/posix_serial_port.h"
#include "link/run_transmission.h"
#include "pty_reader.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zorvan;
using namespace std::chrono_literals;
using zorvan::test::PtyReader;

Q_DECLARE_METATYPE(zorvan::OpenOutcome)

namespace {

class ResetCounter : public ProgressSink {
public:
    void ReportStep(const QString &, std::optional<double>) override { ++reports; }
    void ResetProgress() override { ++resets; }
    int reports = 0;
    int resets = 0;
};

// A port with lock files looked up in a folder of the test's own.
struct Fixture {
    QTemporaryDir lockDir;
    PtyReader board;
    PosixSerialPort port { QStringList { lockDir.path() } };
};

bool isRoot()
{
    return ::geteuid() == 0;
}

// Opens `device` as a user without any rights of its own: the process
// itself when it is no root, else a child that has become "nobody", since
// root passes both exclusivity and permissions. The child touches no lock
// files and no Qt state the reader thread could hold.
OpenOutcome openAsUnprivileged(const QString &device)
{
    if (!isRoot())
        return PosixSerialPort(QStringList {}).open(device, std::nullopt);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(100);
        PosixSerialPort port { QStringList {} };
        ::_exit(int(port.open(device, std::nullopt)));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) < 100 ? OpenOutcome(WEXITSTATUS(status))
                                                          : OpenOutcome::Error;
}

} // namespace

class TestPosixSerialPort : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY2(PtyReader().isValid(), "no pseudo-terminal available"); }

    void pathsThatAreNoPort_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<OpenOutcome>("outcome");
        QTest::newRow("no such device") << "/dev/zorvan-no-such-port" << OpenOutcome::Missing;
        QTest::newRow("no such folder") << "/no-such-folder/ttyS0" << OpenOutcome::Missing;
        QTest::newRow("empty name") << "" << OpenOutcome::Missing;
        QTest::newRow("a device that is no terminal") << "/dev/null" << OpenOutcome::Error;
        QTest::newRow("a folder") << "/tmp" << OpenOutcome::Error;
    }
    void pathsThatAreNoPort()
    {
        QFETCH(QString, device);
        QFETCH(OpenOutcome, outcome);
        const int before = test::openDescriptorCount();
        PosixSerialPort port;
        QCOMPARE(port.open(device, std::nullopt), outcome);
        QVERIFY(!port.isOpen());
        QCOMPARE(test::openDescriptorCount(), before);
    }

    void regularFileIsNoPort()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("song.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        PosixSerialPort port;
        QCOMPARE(port.open(file.fileName(), std::nullopt), OpenOutcome::Error);
        QCOMPARE(QFileInfo(file.fileName()).size(), 0);
    }

    void everyTableSpeedOnAPty_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("baud");
        QTest::newRow("9600") << 1 << 9600;
        QTest::newRow("14400, which has no B-constant") << 2 << 14400;
        QTest::newRow("19200") << 3 << 19200;
        QTest::newRow("38400") << 4 << 38400;
    }
    void everyTableSpeedOnAPty()
    {
        QFETCH(int, index);
        QFETCH(int, baud);
        Fixture f;
        QCOMPARE(f.port.open(f.board.slavePath(), LineSettingsTable(index)), OpenOutcome::Ok);
        QCOMPARE(test::terminalSpeed(f.board.slaveFd()), baud);
        QVERIFY(test::terminalIsRaw8N1(f.board.slaveFd()));
    }

    // The speed stays with the program, not with whatever another program
    // left on the device.
    void speedWithoutTableEntryIsTheLastApplied()
    {
        Fixture f;
        QCOMPARE(f.port.open(f.board.slavePath(), std::nullopt), OpenOutcome::Ok);
        QCOMPARE(test::terminalSpeed(f.board.slaveFd()), 9600);
        QCOMPARE(f.port.open(f.board.slavePath(), LineSettingsTable(3)), OpenOutcome::Ok);
        f.port.close();
        QVERIFY(setLineSpeed(f.board.slaveFd(), 38400));
        QCOMPARE(f.port.open(f.board.slavePath(), LineSettingsTable(0)), OpenOutcome::Ok);
        QCOMPARE(test::terminalSpeed(f.board.slaveFd()), 19200);
    }

    void heldWhileOpenAndFreeAfterClose()
    {
        Fixture f;
        QCOMPARE(f.port.open(f.board.slavePath(), std::nullopt), OpenOutcome::Ok);
        QVERIFY(test::terminalIsExclusive(f.board.slaveFd()));
        PosixSerialPort second { QStringList { f.lockDir.path() } };
        QCOMPARE(second.open(f.board.slavePath(), std::nullopt), OpenOutcome::Busy);
        f.port.close();
        // Exclusivity would outlive the close while the device stays open
        // elsewhere, locking the next transmission out.
        QVERIFY(!test::terminalIsExclusive(f.board.slaveFd()));
        QCOMPARE(second.open(f.board.slavePath(), std::nullopt), OpenOutcome::Ok);
    }

    void heldByAnotherProgram_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("flock") << "flock";
        QTest::newRow("live lock file") << "live";
        QTest::newRow("TIOCEXCL") << "exclusive";
    }
    void heldByAnotherProgram()
    {
        QFETCH(QString, how);
        Fixture f;
        const QString device = f.board.slavePath();
        int holder = -1;
        if (how == "flock") {
            holder = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY);
            QVERIFY(holder >= 0);
            QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
        } else if (how == "live") {
            QFile lock(QDir(f.lockDir.path()).filePath(PosixSerialPort::lockFileName(device)));
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(QByteArray::number(qint64(::getpid())).rightJustified(10, ' ') + '\n');
        } else {
            QVERIFY(::fchmod(f.board.slaveFd(), 0666) == 0);
            QVERIFY(::ioctl(f.board.slaveFd(), TIOCEXCL) == 0);
            f.board.stopReading(); // no thread may hold a lock across the fork
            QCOMPARE(openAsUnprivileged(device), OpenOutcome::Busy);
        }
        if (how != "exclusive") {
            QCOMPARE(f.port.open(device, std::nullopt), OpenOutcome::Busy);
            QVERIFY(!f.port.isOpen());
        }
        if (holder >= 0)
            ::close(holder);
        ::ioctl(f.board.slaveFd(), TIOCNXCL);
    }

    // The operator picked /dev/serial/by-id/...; the other program locked
    // the node that link points at.
    void lockFileOfTheNodeBehindALink()
    {
        Fixture f;
        QTemporaryDir links;
        const QString link = links.filePath("usb-FTDI_RDS-if00-port0");
        QVERIFY(QFile::link(f.board.slavePath(), link));
        QFile lock(QDir(f.lockDir.path()).filePath(PosixSerialPort::lockFileName(f.board.slavePath())));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(qint64(::getpid())) + '\n');
        lock.close();
        QCOMPARE(f.port.open(link, std::nullopt), OpenOutcome::Busy);
    }

    void lockFilesThatHoldNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("stale, its process gone")
            << QByteArray::number(zorvan::test::deadPid()).rightJustified(10, ' ');
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a number") << QByteArray("minicom\n");
        QTest::newRow("negative") << QByteArray("-1\n");
    }
    void lockFilesThatHoldNothing()
    {
        QFETCH(QByteArray, content);
        Fixture f;
        QFile lock(QDir(f.lockDir.path()).filePath(PosixSerialPort::lockFileName(f.board.slavePath())));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(content);
        lock.close();
        QCOMPARE(f.port.open(f.board.slavePath(), std::nullopt), OpenOutcome::Ok);
    }

    void lockFileNames_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("name");
        QTest::newRow("serial") << "/dev/ttyS0"
                                << "LCK..ttyS0";
        QTest::newRow("USB adapter") << "/dev/ttyUSB1"
                                     << "LCK..ttyUSB1";
        QTest::newRow("pseudo-terminal") << "/dev/pts/3"
                                         << "LCK..pts_3";
    }
    void lockFileNames()
    {
        QFETCH(QString, device);
        QFETCH(QString, name);
        QCOMPARE(PosixSerialPort::lockFileName(device), name);
    }

    void noPermission()
    {
        Fixture f;
        QVERIFY(::fchmod(f.board.slaveFd(), 0) == 0);
        f.board.stopReading(); // no thread may hold a lock across the fork
        QCOMPARE(openAsUnprivileged(f.board.slavePath()), OpenOutcome::Denied);
    }

    void clockArrivesWholeAndPortCloses()
    {
        Fixture f;
        const int before = test::openDescriptorCount();
        const Transmission plan = *SynchronizeClock(QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0))).plan;
        ResetCounter sink;
        QCOMPARE(
            runTransmission(plan, f.port, f.board.slavePath(), LineSettingsTable(2), sleepingPacer(), sink),
            LinkOutcome::Sent);
        QVERIFY(!f.port.isOpen());
        QCOMPARE(test::openDescriptorCount(), before);
        QVERIFY(f.board.waitForBytes(plan.bytes().size(), 5s));
        QCOMPARE(f.board.bytes(), plan.bytes());
        QCOMPARE(sink.resets, 1);
        // The next transmission can have the port at once.
        const int holder = ::open(QFile::encodeName(f.board.slavePath()).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(holder >= 0);
        QCOMPARE(::flock(holder, LOCK_EX | LOCK_NB), 0);
        ::close(holder);
    }

    void missingDeviceSendsNothing()
    {
        Fixture f;
        ResetCounter sink;
        QCOMPARE(runTransmission(
                     SetMode(2), f.port, f.board.slavePath() + "-gone", std::nullopt, sleepingPacer(), sink),
            LinkOutcome::PortMissing);
        QCOMPARE(sink.reports + sink.resets, 0);
        QVERIFY(!f.board.waitForBytes(1, 50ms));
    }

    // The adapter is pulled during the first pause: one failure, the port
    // closed, the display reset, and nothing left open.
    void unpluggedMidTransmission()
    {
        Fixture f;
        const int before = test::openDescriptorCount();
        const Transmission plan = *SynchronizeClock(QDateTime(QDate(2026, 5, 1), QTime(9, 0, 0))).plan;
        ResetCounter sink;
        int pauses = 0;
        const Pacer unplugAtFirstPause = [&](std::chrono::milliseconds) {
            if (++pauses == 1) {
                f.board.waitForBytes(5, 2s);
                f.board.hangUp();
            }
        };
        QCOMPARE(runTransmission(plan, f.port, f.board.slavePath(), std::nullopt, unplugAtFirstPause, sink),
            LinkOutcome::WriteFailed);
        QCOMPARE(pauses, 1);
        QCOMPARE(sink.reports, 0);
        QCOMPARE(sink.resets, 1);
        QVERIFY(!f.port.isOpen());
        QCOMPARE(f.board.bytes(), QByteArray("\x00TIME", 5));
        QCOMPARE(test::openDescriptorCount(), before - 1); // the board's own side is gone too
    }

    // The board stops reading: the terminal's buffer fills, a write times
    // out, and the close does not wait for the stuck bytes.
    void readerStops()
    {
        Fixture f;
        f.board.stopReading();
        Transmission plan;
        for (int i = 0; i < 100; ++i)
            plan.frame("RT", QByteArray(4096, 'A'));
        ResetCounter sink;
        const LinkTimeouts shortTimeouts { 200ms, 200ms };
        QCOMPARE(runTransmission(
                     plan, f.port, f.board.slavePath(), std::nullopt, sleepingPacer(), sink, shortTimeouts),
            LinkOutcome::WriteTimeout);
        QVERIFY(!f.port.isOpen());
        QCOMPARE(sink.resets, 1);
        // Free again for the next transmission.
        PosixSerialPort next;
        QCOMPARE(next.open(f.board.slavePath(), std::nullopt), OpenOutcome::Ok);
    }
};

QTEST_GUILESS_MAIN(TestPosixSerialPort)
#include "tst_posix_serial_port.moc"
