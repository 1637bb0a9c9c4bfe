#include "link/serial_device_list.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zorvan;

class TestSerialDeviceList : public QObject {
    Q_OBJECT

private slots:
    // Each entry is a node to create, or "link -> target" for a symbolic
    // link; the expected names are relative to the folder.
    void devicesOffered_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("offered");
        QTest::newRow("stable names first, no node twice") << QStringList {
            "ttyUSB0", "ttyUSB1", "ttyACM0", "serial/by-id/usb-FTDI_RDS-if00-port0 -> ../../ttyUSB1"
        } << QStringList { "serial/by-id/usb-FTDI_RDS-if00-port0", "ttyUSB0", "ttyACM0" };
        QTest::newRow("natural order inside each group") << QStringList { "ttyS10", "ttyS2", "ttyUSB10",
            "ttyUSB9" } << QStringList { "ttyUSB9", "ttyUSB10", "ttyS2", "ttyS10" };
        QTest::newRow("a stable name whose device is gone")
            << QStringList { "serial/by-id/usb-gone -> ../../ttyUSB7", "ttyACM0" }
            << QStringList { "ttyACM0" };
        QTest::newRow("terminals that are no serial ports")
            << QStringList { "tty0", "ttyprintk", "console", "ptmx", "ttyAMA0" } << QStringList {};
    }
    void devicesOffered()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, offered);
        QTemporaryDir dir;
        const QDir root(dir.path());
        for (const QString &entry : entries) {
            const QStringList parts = entry.split(QStringLiteral(" -> "));
            const QString path = root.filePath(parts.first());
            QVERIFY(root.mkpath(QFileInfo(path).path()));
            if (parts.size() == 2) {
                QVERIFY(QFile::link(parts.last(), path));
            } else {
                QFile node(path);
                QVERIFY(node.open(QIODevice::WriteOnly));
            }
        }
        QStringList expected;
        for (const QString &name : offered)
            expected << root.filePath(name);
        QCOMPARE(listSerialDevices(dir.path()), expected);
    }
};

QTEST_GUILESS_MAIN(TestSerialDeviceList)
#include "tst_serial_device_list.moc"
