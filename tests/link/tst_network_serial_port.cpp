#include "link/link_failure_message.h"
#include "link/run_transmission.h"
#include "link/system_serial_port.h"
#include "link/telnet_com_port.h"
#include "pty_reader.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace zorvan;
using namespace std::chrono_literals;
using zorvan::test::PtyReader;

namespace {

class ResetCounter : public ProgressSink {
public:
    void ReportStep(const QString &, std::optional<double>) override { ++reports; }
    void ResetProgress() override { ++resets; }
    int reports = 0;
    int resets = 0;
};

// A TCP port on 127.0.0.1 that nothing listens on at this moment.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool listeningOn(int port)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local
        = QByteArray("0100007F:") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1] == local && fields[3] == "0A")
            return true;
    }
    return false;
}

// ser2net in front of a pseudo-terminal where the board listens: a raw
// accepter and a Telnet one with RFC 2217, both at 9600 8N1 until told
// otherwise.
struct Ser2net {
    PtyReader board;
    QTemporaryDir dir;
    QProcess process;
    int rawPort = freePort();
    int telnetPort = freePort();

    bool start()
    {
        const QString program
            = QStandardPaths::findExecutable("ser2net", { "/usr/sbin", "/usr/bin", "/sbin" });
        if (program.isEmpty())
            return false;
        const QString connector = QStringLiteral("serialdev,%1,9600n81,local").arg(board.slavePath());
        QFile config(dir.filePath("ser2net.yaml"));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("connection: &raw\n"
                                    "  accepter: tcp,127.0.0.1,%1\n"
                                    "  connector: %3\n"
                                    "connection: &telnet\n"
                                    "  accepter: telnet(rfc2217),tcp,127.0.0.1,%2\n"
                                    "  connector: %3\n")
                         .arg(rawPort)
                         .arg(telnetPort)
                         .arg(connector)
                         .toUtf8());
        config.close();
        // -n: stay in the foreground; -u: no UUCP lock files.
        process.start(program, { "-n", "-d", "-u", "-c", config.fileName(), "-P", dir.filePath("pid") });
        if (!process.waitForStarted())
            return false;
        for (int i = 0; i < 500 && !(listeningOn(rawPort) && listeningOn(telnetPort)); ++i)
            QThread::msleep(10);
        return listeningOn(rawPort) && listeningOn(telnetPort);
    }

    QString device(const QString &scheme) const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(scheme == "tcp" ? rawPort : telnetPort);
    }

    ~Ser2net()
    {
        process.kill();
        process.waitForFinished();
    }
};

#define START_SER2NET(s)                                                                                     \
    if (!(s).start())                                                                                        \
    QSKIP("ser2net is not installed or did not start (scripts/install-deps installs it)")

// Frames with every byte value a value can hold, 0xFF above all, and pauses.
Transmission everyByteValue()
{
    Transmission plan;
    QByteArray values;
    for (int b = 3; b < 256; ++b)
        values.append(char(b));
    plan.frame("RT", values);
    plan.pause(30);
    plan.report("half");
    plan.frame("PS", QByteArray("\xFF\xFF\xFF\xFF", 4));
    plan.pause(30);
    plan.frame("DI", "1");
    return plan;
}

} // namespace

class TestNetworkSerialPort : public QObject {
    Q_OBJECT

private slots:
    void planArrivesByteExact_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("raw") << "tcp";
        QTest::newRow("RFC 2217") << "rfc2217";
    }
    void planArrivesByteExact()
    {
        QFETCH(QString, scheme);
        Ser2net server;
        START_SER2NET(server);
        SystemSerialPort port;
        ResetCounter sink;
        const Transmission plan = everyByteValue();
        QCOMPARE(
            runTransmission(plan, port, server.device(scheme), LineSettingsTable(1), sleepingPacer(), sink),
            LinkOutcome::Sent);
        QVERIFY(!port.isOpen());
        QCOMPARE(sink.resets, 1);
        QVERIFY(server.board.waitForBytes(plan.bytes().size(), 5s));
        QCOMPARE(server.board.bytes(), plan.bytes());
    }

    void remoteSpeedFollowsTheTable_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("baud");
        QTest::newRow("19200") << 3 << 19200;
        QTest::newRow("38400") << 4 << 38400;
        QTest::newRow("14400, which has no B-constant") << 2 << 14400;
    }
    void remoteSpeedFollowsTheTable()
    {
        QFETCH(int, index);
        QFETCH(int, baud);
        Ser2net server;
        START_SER2NET(server);
        SystemSerialPort port;
        QCOMPARE(port.open(server.device("rfc2217"), LineSettingsTable(index)), OpenOutcome::Ok);
        // ser2net applies the settings in stream order: once a byte sent
        // after them has arrived, they are in force.
        QCOMPARE(port.write("x", kWriteTimeout), WriteOutcome::Ok);
        QCOMPARE(port.drain(kDrainTimeout), WriteOutcome::Ok);
        QVERIFY(server.board.waitForBytes(1, 5s));
        QCOMPARE(test::terminalSpeed(server.board.slaveFd()), baud);
    }

    // ser2net sets its own 9600 again for every connection; the program's
    // speed, chosen on a local port before, must win.
    void speedWithoutTableEntryIsTheLastApplied()
    {
        Ser2net server;
        START_SER2NET(server);
        PtyReader local;
        SystemSerialPort port;
        QCOMPARE(port.open(local.slavePath(), LineSettingsTable(4)), OpenOutcome::Ok);
        port.close();
        QCOMPARE(port.open(server.device("rfc2217"), LineSettingsTable(0)), OpenOutcome::Ok);
        QCOMPARE(port.write("x", kWriteTimeout), WriteOutcome::Ok);
        QVERIFY(server.board.waitForBytes(1, 5s));
        QCOMPARE(test::terminalSpeed(server.board.slaveFd()), 38400);
    }

    void serverThatCannotBeUsed_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<LinkOutcome>("outcome");
        QTest::addColumn<QString>("named");
        const QString closed = QStringLiteral("127.0.0.1:%1").arg(freePort());
        QTest::newRow("nothing listens, raw") << "tcp://" + closed << LinkOutcome::ServerRefused << closed;
        QTest::newRow("nothing listens, RFC 2217")
            << "rfc2217://" + closed << LinkOutcome::ServerRefused << closed;
        QTest::newRow("no such host")
            << "tcp://no-such-host.invalid:2001" << LinkOutcome::HostUnknown << "no-such-host.invalid:2001";
        QTest::newRow("malformed address") << "tcp://127.0.0.1" << LinkOutcome::PortMissing << "";
    }
    void serverThatCannotBeUsed()
    {
        QFETCH(QString, device);
        QFETCH(LinkOutcome, outcome);
        QFETCH(QString, named);
        const int before = test::openDescriptorCount();
        SystemSerialPort port;
        ResetCounter sink;
        QCOMPARE(
            runTransmission(everyByteValue(), port, device, std::nullopt, sleepingPacer(), sink), outcome);
        QCOMPARE(sink.reports + sink.resets, 0);
        QCOMPARE(test::openDescriptorCount(), before);
        QVERIFY(linkFailureMessage(outcome, device).contains(named));
    }

    // rfc2217:// at a raw port: the board gets the Telnet offer and nothing
    // more (no line settings, no frames), and the message says what to use.
    void rfc2217AtARawPort()
    {
        Ser2net server;
        START_SER2NET(server);
        SystemSerialPort port;
        ResetCounter sink;
        const QString device = QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.rawPort);
        QCOMPARE(runTransmission(everyByteValue(), port, device, std::nullopt, sleepingPacer(), sink),
            LinkOutcome::NotRfc2217);
        QCOMPARE(sink.reports, 0);
        QVERIFY(!port.isOpen());
        const QByteArray offer = TelnetComPort().greeting();
        QVERIFY(server.board.waitForBytes(offer.size(), 5s));
        QTest::qWait(200);
        QCOMPARE(server.board.bytes(), offer);
        const QString message = linkFailureMessage(LinkOutcome::NotRfc2217, device);
        QVERIFY2(message.contains(QStringLiteral("does not answer RFC 2217"))
                && message.contains(QStringLiteral("use tcp://127.0.0.1:%1").arg(server.rawPort)),
            qPrintable(message));
    }

    // The device server goes away during the first pause: one failure that
    // names it, the display reset, nothing left open.
    void serverGoneMidTransmission()
    {
        Ser2net server;
        START_SER2NET(server);
        SystemSerialPort port;
        ResetCounter sink;
        const Transmission plan = everyByteValue();
        const Pacer stopAtFirstPause = [&](std::chrono::milliseconds) {
            if (server.process.state() == QProcess::Running) {
                server.process.kill();
                server.process.waitForFinished();
            }
        };
        QCOMPARE(runTransmission(plan, port, server.device("tcp"), std::nullopt, stopAtFirstPause, sink),
            LinkOutcome::ConnectionLost);
        QCOMPARE(sink.resets, 1);
        QVERIFY(!port.isOpen());
        QVERIFY(linkFailureMessage(LinkOutcome::ConnectionLost, server.device("tcp"))
                    .startsWith(QStringLiteral("The connection to the device server 127.0.0.1:")));
    }
};

QTEST_GUILESS_MAIN(TestNetworkSerialPort)
#include "tst_network_serial_port.moc"
