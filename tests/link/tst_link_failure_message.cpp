#include "link/link_failure_message.h"

#include <QtTest>

using namespace zorvan;

// The window has File > Setup; the service has only its settings file. A
// device server has no cable to check.
class TestLinkFailureMessage : public QObject {
    Q_OBJECT

private slots:
    void namesWhatTheOperatorCanChange_data()
    {
        QTest::addColumn<LinkOutcome>("outcome");
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("service");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("never");
        const QString setup = QStringLiteral("File > Setup");
        const QString file = QStringLiteral("COM3 under the key COM3 of section [Ports] in the settings file "
                                            "/etc/zorvan/station.ini");
        QTest::newRow("window, port missing")
            << LinkOutcome::PortMissing << "/dev/ttyS2" << false << setup << "[Ports]";
        QTest::newRow("service, port missing")
            << LinkOutcome::PortMissing << "/dev/ttyS2" << true << file << setup;
        QTest::newRow("service, port busy") << LinkOutcome::PortBusy << "/dev/ttyS2" << true << file << setup;
        QTest::newRow("service, no permission")
            << LinkOutcome::PortDenied << "/dev/ttyS2" << true << file << setup;
        QTest::newRow("service, not a serial port")
            << LinkOutcome::PortError << "/dev/null" << true << file << setup;
        QTest::newRow("service, server refused")
            << LinkOutcome::ServerRefused << "tcp://10.0.0.9:4001" << true << file << setup;
        QTest::newRow("service, raw server given as RFC 2217")
            << LinkOutcome::NotRfc2217 << "rfc2217://10.0.0.9:4001" << true << "use tcp://10.0.0.9:4001"
            << setup;
        QTest::newRow("device server stopped reading")
            << LinkOutcome::WriteTimeout << "tcp://10.0.0.9:4001" << false
            << "The device server 10.0.0.9:4001 stopped taking the data"
            << "cable";
        QTest::newRow("serial line stuck")
            << LinkOutcome::WriteTimeout << "/dev/ttyUSB0" << false << "Check the cable"
            << "device server";
    }
    void namesWhatTheOperatorCanChange()
    {
        QFETCH(LinkOutcome, outcome);
        QFETCH(QString, device);
        QFETCH(bool, service);
        QFETCH(QString, says);
        QFETCH(QString, never);
        const PortChoice choice
            = service ? PortChoice { QStringLiteral("/etc/zorvan/station.ini"), 3 } : PortChoice {};
        const QString message = linkFailureMessage(outcome, device, choice);
        QVERIFY2(message.contains(says), qPrintable(message));
        QVERIFY2(!message.contains(never), qPrintable(message));
    }
};

QTEST_APPLESS_MAIN(TestLinkFailureMessage)
#include "tst_link_failure_message.moc"
