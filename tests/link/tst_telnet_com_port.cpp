#include "link/network_device.h"
#include "link/telnet_com_port.h"

#include <QtTest>

using namespace zorvan;
using Protocol = NetworkDevice::Protocol;

Q_DECLARE_METATYPE(std::optional<zorvan::NetworkDevice>)

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

constexpr int IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240, NOP = 241;

} // namespace

class TestTelnetComPort : public QObject {
    Q_OBJECT

private slots:
    void deviceNames_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<std::optional<NetworkDevice>>("parsed");
        QTest::addColumn<QString>("address");
        const std::optional<NetworkDevice> none;
        QTest::newRow("raw by name") << "tcp://rds-rack.local:2001"
                                     << std::optional(NetworkDevice { Protocol::Raw, "rds-rack.local", 2001 })
                                     << "rds-rack.local:2001";
        QTest::newRow("rfc2217, scheme in capitals")
            << "RFC2217://10.0.0.7:7000"
            << std::optional(NetworkDevice { Protocol::Rfc2217, "10.0.0.7", 7000 }) << "10.0.0.7:7000";
        QTest::newRow("IPv6 in brackets")
            << "tcp://[fe80::1]:65535" << std::optional(NetworkDevice { Protocol::Raw, "fe80::1", 65535 })
            << "[fe80::1]:65535";
        QTest::newRow("local device") << "/dev/ttyUSB0" << none << "";
        QTest::newRow("no port") << "tcp://host" << none << "";
        QTest::newRow("port 0") << "tcp://host:0" << none << "";
        QTest::newRow("port above 65535") << "tcp://host:65536" << none << "";
        QTest::newRow("signed port") << "tcp://host:+23" << none << "";
        QTest::newRow("path after the port") << "tcp://host:23/x" << none << "";
        QTest::newRow("no host") << "rfc2217://:23" << none << "";
        QTest::newRow("IPv6 without brackets") << "tcp://fe80::1:23" << none << "";
        QTest::newRow("blank in the host") << "tcp://my host:23" << none << "";
    }
    void deviceNames()
    {
        QFETCH(QString, device);
        QFETCH(std::optional<NetworkDevice>, parsed);
        QFETCH(QString, address);
        QCOMPARE(parseNetworkDevice(device), parsed);
        QCOMPARE(namesNetworkDevice(device), !device.startsWith('/'));
        if (parsed)
            QCOMPARE(parsed->address(), address);
    }

    void negotiation_data()
    {
        QTest::addColumn<QByteArray>("fromServer");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("accepted");
        // What ser2net 4 sends on its own after accepting a connection.
        QTest::newRow("ser2net's opening") << bytes(
            { IAC, WILL, 3, IAC, DO, 3, IAC, WILL, 1, IAC, DONT, 1, IAC, DO, 0, IAC, WILL, 0, IAC, DO, 44 })
                                           << bytes({ IAC, DO, 3, IAC, WILL, 3, IAC, DONT, 1 }) << true;
        QTest::newRow("port control refused") << bytes({ IAC, DONT, 44 }) << QByteArray() << false;
        QTest::newRow("option unknown to us")
            << bytes({ IAC, DO, 24, IAC, WILL, 31 }) << bytes({ IAC, WONT, 24, IAC, DONT, 31 }) << false;
        QTest::newRow("a repeated request is answered once")
            << bytes({ IAC, DO, 3, IAC, DO, 3 }) << bytes({ IAC, WILL, 3 }) << false;
        QTest::newRow("an option switched off again") << bytes({ IAC, WILL, 3, IAC, WONT, 3, IAC, WONT, 3 })
                                                      << bytes({ IAC, DO, 3, IAC, DONT, 3 }) << false;
        QTest::newRow("acknowledgements, notices and data pass unanswered") << bytes(
            { IAC, SB, 44, 101, 0, 0, IAC, IAC, 0, IAC, SE, 'o', 'k', IAC, IAC, IAC, NOP, IAC, DO, 44 })
                                                                            << QByteArray() << true;
        QTest::newRow("a command right after a subnegotiation")
            << bytes({ IAC, SB, 44, 107, 0, IAC, SE, IAC, DO, 24 }) << bytes({ IAC, WONT, 24 }) << false;
    }
    void negotiation()
    {
        QFETCH(QByteArray, fromServer);
        QFETCH(QByteArray, answer);
        QFETCH(bool, accepted);
        TelnetComPort whole;
        QCOMPARE(whole.greeting(), bytes({ IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 44 }));
        QCOMPARE(whole.receive(fromServer), answer);
        QCOMPARE(whole.comPortAccepted(), accepted);

        // The network cuts the stream anywhere.
        TelnetComPort pieces;
        pieces.greeting();
        QByteArray answered;
        for (const char c : fromServer)
            answered += pieces.receive(QByteArray(1, c));
        QCOMPARE(answered, answer);
    }

    void lineCommandsFor19200()
    {
        QCOMPARE(TelnetComPort::lineCommands(*LineSettingsTable(3)),
            bytes({ IAC, SB, 44, 1, 0, 0, 0x4B, 0x00, IAC, SE, IAC, SB, 44, 2, 8, IAC, SE, IAC, SB, 44, 3, 1,
                IAC, SE, IAC, SB, 44, 4, 1, IAC, SE, IAC, SB, 44, 5, 1, IAC, SE }));
    }

    void escape()
    {
        QCOMPARE(TelnetComPort::escape(bytes({ 0, 0xFF, 1, 0xFF, 0xFF })),
            bytes({ 0, 0xFF, 0xFF, 1, 0xFF, 0xFF, 0xFF, 0xFF }));
    }
};

QTEST_GUILESS_MAIN(TestTelnetComPort)
#include "tst_telnet_com_port.moc"
