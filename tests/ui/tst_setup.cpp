#include "link/com_port_map.h"
#include "memory_settings_backend.h"
#include "memory_serial_port.h"
#include "model/setup_choices.h"
#include "settings/settings_store.h"
#include "ui/frm_setup.h"
#include "ui/help_support.h"
#include "ui/help_texts.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace zorvan;

namespace {

QString stored(const MemorySettingsBackend &backend, const QString &key)
{
    return backend.read(kSettingsSection, key).value_or(QString());
}

void type(QComboBox *combo, const QString &text)
{
    combo->lineEdit()->clear();
    QTest::keyClicks(combo->lineEdit(), text);
}

} // namespace

class TestSetup : public QObject {
    Q_OBJECT

    std::unique_ptr<MemorySettingsBackend> m_backend;
    std::unique_ptr<Station> m_station;
    std::unique_ptr<FrmSetup> m_dialog;

    Station &station()
    {
        if (!m_station) {
            m_station = std::make_unique<Station>(*m_backend, std::make_unique<MemorySerialPort>());
            m_station->load();
        }
        return *m_station;
    }
    FrmSetup *openDialog()
    {
        m_dialog = std::make_unique<FrmSetup>(station());
        m_dialog->show();
        return m_dialog.get();
    }
    QComboBox *port() const { return m_dialog->findChild<QComboBox *>("Combo2"); }
    QComboBox *speed() const { return m_dialog->findChild<QComboBox *>("Combo1"); }
    QLineEdit *device() const { return m_dialog->findChild<QLineEdit *>("DevicePath"); }

    void storeChoices(qint16 comSelected, qint16 comSpeed)
    {
        StationSettings record;
        record.COMSelected = comSelected;
        record.COMSpeed = comSpeed;
        SaveAllSettings(record, *m_backend);
    }

private slots:
    void init() { m_backend = std::make_unique<MemorySettingsBackend>(); }
    void cleanup()
    {
        m_dialog.reset();
        m_station.reset();
        m_backend.reset();
    }

    void entryTexts_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("speed");
        QTest::newRow("first") << 1 << "COM 1"
                               << "9600";
        QTest::newRow("factory speed") << 2 << "COM 2"
                                       << "14400";
        QTest::newRow("last speed") << 4 << "COM 4"
                                    << "38400";
        QTest::newRow("past the speeds") << 5 << "COM 5"
                                         << "";
        QTest::newRow("last port") << 8 << "COM 8"
                                   << "";
        QTest::newRow("past the ports") << 9 << ""
                                        << "";
        QTest::newRow("zero") << 0 << ""
                              << "";
        QTest::newRow("negative") << -1 << ""
                                  << "";
    }
    void entryTexts()
    {
        QFETCH(int, value);
        QFETCH(QString, port);
        QFETCH(QString, speed);
        QCOMPARE(comPortEntryText(qint16(value)).value_or(QString()), port);
        QCOMPARE(baudRateEntryText(qint16(value)).value_or(QString()), speed);
    }

    // A stored port no entry stands for shows the design text, which is
    // the first entry's: picking that entry must still store it.
    void pickingTheShownEntryRepairsAStoredPort()
    {
        storeChoices(12, 2);
        openDialog();
        QCOMPARE(port()->currentText(), kComPortDesignText);
        QCOMPARE(port()->currentIndex(), -1);
        QTest::keyClick(port(), Qt::Key_Down);
        QCOMPARE(port()->currentText(), kComPortDesignText);
        QCOMPARE(station().record().COMSelected, qint16(1));
        QCOMPARE(stored(*m_backend, QStringLiteral("COMSelected")), QStringLiteral("1"));
    }

    void typedTextMatching_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port"); // 0: no match
        QTest::addColumn<int>("speed"); // 0: no match
        QTest::newRow("COM 3") << "COM 3" << 3 << 0;
        QTest::newRow("COM 8") << "COM 8" << 8 << 0;
        QTest::newRow("COM 9 is not an entry") << "COM 9" << 0 << 0;
        QTest::newRow("lower case") << "com 1" << 0 << 0;
        QTest::newRow("blank missing") << "COM1" << 0 << 0;
        QTest::newRow("trailing blank") << "COM 1 " << 0 << 0;
        QTest::newRow("empty") << "" << 0 << 0;
        QTest::newRow("38400") << "38400" << 0 << 4;
        QTest::newRow("9600") << "9600" << 0 << 1;
        QTest::newRow("2400 is only the design text") << "2400" << 0 << 0;
        QTest::newRow("leading zero") << "09600" << 0 << 0;
    }
    void typedTextMatching()
    {
        QFETCH(QString, text);
        QFETCH(int, port);
        QFETCH(int, speed);
        QCOMPARE(int(comSelectedFromText(text).value_or(0)), port);
        QCOMPARE(int(comSpeedFromText(text).value_or(0)), speed);
    }

    void designOfTheDialog()
    {
        openDialog();
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("ZORVAN Q500+ Setup"));
        QVERIFY(!m_dialog->isModal());
        QCOMPARE(m_dialog->findChild<QGroupBox *>("Frame2")->title(),
            QStringLiteral("Communications preferences"));
        QCOMPARE(m_dialog->findChild<QLabel *>("Label1")->text(), QStringLiteral("COM port:"));
        QCOMPARE(m_dialog->findChild<QLabel *>("Label2")->text(), QStringLiteral("Baud rate:"));
        QVERIFY(port()->isEditable());
        QVERIFY(speed()->isEditable());
        QCOMPARE(port()->toolTip(), QStringLiteral("I/O address, 300h is default!"));
        QCOMPARE(
            speed()->toolTip(), QStringLiteral("COM port speed, set jumpers correctly to match this value!"));
        QStringList ports;
        for (int i = 0; i < port()->count(); ++i)
            ports << port()->itemText(i);
        QCOMPARE(
            ports, QStringList({ "COM 1", "COM 2", "COM 3", "COM 4", "COM 5", "COM 6", "COM 7", "COM 8" }));
        QStringList speeds;
        for (int i = 0; i < speed()->count(); ++i)
            speeds << speed()->itemText(i);
        QCOMPARE(speeds, QStringList({ "9600", "14400", "19200", "38400" }));
        auto *help = m_dialog->findChild<QPushButton *>("Command15");
        QCOMPARE(help->text(), QStringLiteral("?"));
        QCOMPARE(help->toolTip(), QStringLiteral("Click for Help!"));
        QCOMPARE(m_dialog->findChild<QPushButton *>("Command1")->text(), QStringLiteral("OK"));
        QCOMPARE(device()->accessibleName(), QStringLiteral("Device:"));
    }

    // Each list opens on the stored choice, selected; a stored value that no
    // entry stands for shows the design text with nothing selected.
    void opensWithTheStoredChoicesSelected_data()
    {
        QTest::addColumn<int>("comSelected");
        QTest::addColumn<int>("comSpeed");
        QTest::addColumn<QString>("portShown");
        QTest::addColumn<int>("portIndex");
        QTest::addColumn<QString>("speedShown");
        QTest::addColumn<int>("speedIndex");
        QTest::newRow("defaults") << 1 << 2 << "COM 1" << 0 << "14400" << 1;
        QTest::newRow("COM 3 at 38400") << 3 << 4 << "COM 3" << 2 << "38400" << 3;
        QTest::newRow("speed 5 shows the design text") << 8 << 5 << "COM 8" << 7 << "2400" << -1;
        QTest::newRow("port 9 shows the design text") << 9 << 1 << "COM 1" << -1 << "9600" << 0;
        QTest::newRow("both out of range") << 0 << 0 << "COM 1" << -1 << "2400" << -1;
    }
    void opensWithTheStoredChoicesSelected()
    {
        QFETCH(int, comSelected);
        QFETCH(int, comSpeed);
        QFETCH(QString, portShown);
        QFETCH(int, portIndex);
        QFETCH(QString, speedShown);
        QFETCH(int, speedIndex);
        storeChoices(qint16(comSelected), qint16(comSpeed));
        openDialog();
        QCOMPARE(port()->currentText(), portShown);
        QCOMPARE(port()->currentIndex(), portIndex);
        QCOMPARE(speed()->currentText(), speedShown);
        QCOMPARE(speed()->currentIndex(), speedIndex);
        // Showing is not choosing: the record keeps what no entry shows.
        QCOMPARE(int(station().record().COMSelected), comSelected);
        QCOMPARE(int(station().record().COMSpeed), comSpeed);
    }

    void arrowKeysMoveOnFromTheStoredChoice()
    {
        openDialog();
        QCOMPARE(speed()->currentText(), QStringLiteral("14400"));
        QTest::keyClick(speed(), Qt::Key_Down);
        QCOMPARE(speed()->currentText(), QStringLiteral("19200"));
        QCOMPARE(int(station().record().COMSpeed), 3);
        QTest::keyClick(port(), Qt::Key_Down);
        QCOMPARE(port()->currentText(), QStringLiteral("COM 2"));
        QCOMPARE(stored(*m_backend, "COMSelected"), QStringLiteral("2"));
    }

    void openingShowsWhatTheStoreHoldsNow()
    {
        station();
        storeChoices(6, 4);
        openDialog();
        QCOMPARE(port()->currentText(), QStringLiteral("COM 6"));
        QCOMPARE(speed()->currentText(), QStringLiteral("38400"));
    }

    void typingIntoThePortList_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("comSelected");
        QTest::newRow("COM 5 is taken") << "COM 5" << 5;
        QTest::newRow("COM 9 changes nothing") << "COM 9" << 2;
    }
    void typingIntoThePortList()
    {
        QFETCH(QString, typed);
        QFETCH(int, comSelected);
        storeChoices(2, 2);
        openDialog();
        type(port(), typed);
        QCOMPARE(port()->currentText(), typed);
        QCOMPARE(int(station().record().COMSelected), comSelected);
        QCOMPARE(stored(*m_backend, "COMSelected"), QString::number(comSelected));
    }

    void pickedSpeedIsShownAgain()
    {
        openDialog();
        speed()->setCurrentIndex(speed()->findText("38400"));
        QCOMPARE(stored(*m_backend, "COMSpeed"), QStringLiteral("4"));
        m_dialog.reset();
        openDialog();
        QCOMPARE(speed()->currentText(), QStringLiteral("38400"));
    }

    void okSavesAndCloses()
    {
        openDialog();
        const int writesBefore = m_backend->writeCount;
        QTest::mouseClick(m_dialog->findChild<QPushButton *>("Command1"), Qt::LeftButton);
        QVERIFY(m_backend->writeCount > writesBefore);
        QVERIFY(!m_dialog->isVisible());
    }

    void helpShowsItsMessage()
    {
        openDialog();
        QStringList shown;
        const MessageSink previous = setMessageSink([&](QWidget *, const QString &text) { shown << text; });
        QTest::mouseClick(m_dialog->findChild<QPushButton *>("Command15"), Qt::LeftButton);
        setMessageSink(previous);
        QCOMPARE(shown, QStringList { setupHelpText() });
    }

    void deviceFollowsThePort()
    {
        openDialog();
        QCOMPARE(device()->text(), defaultComPortDevice(1));
        setComPortDevice(*m_backend, 3, "/dev/ttyUSB0");
        type(port(), "COM 3");
        QCOMPARE(device()->text(), QStringLiteral("/dev/ttyUSB0"));
        type(port(), "COM 9");
        QCOMPARE(device()->text(), QStringLiteral("/dev/ttyUSB0"));
    }

    void editedDeviceIsStored_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("USB adapter") << "/dev/ttyUSB0"
                                     << "/dev/ttyUSB0";
        QTest::newRow("simulator pty with blanks around") << "  /dev/pts/7 "
                                                          << "/dev/pts/7";
        QTest::newRow("empty restores the default") << "" << defaultComPortDevice(2);
    }
    void editedDeviceIsStored()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        storeChoices(2, 2);
        setComPortDevice(*m_backend, 2, "/dev/ttyACM0");
        openDialog();
        device()->setText(typed);
        emit device()->editingFinished();
        QCOMPARE(comPortDevice(*m_backend, 2), kept);
        QCOMPARE(device()->text(), kept);
        QVERIFY(!m_backend->read(kPortsSection, "COM1"));
    }

    void deviceOfAPortWithoutEntryCannotBeEdited()
    {
        storeChoices(9, 2);
        openDialog();
        QVERIFY(!device()->isEnabled());
        emit device()->editingFinished();
        QVERIFY(!m_backend->read(kPortsSection, "COM9"));
        QVERIFY(!m_backend->read(kPortsSection, "COM0"));
    }

    void oneWindowAtATime()
    {
        QWidget owner;
        FrmSetup *first = FrmSetup::open(station(), &owner);
        QVERIFY(first->isVisible());
        QVERIFY(!first->isModal());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(FrmSetup::open(station(), &owner), first);
        QCOMPARE(owner.findChildren<FrmSetup *>().size(), 1);
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(FrmSetup::instance(), nullptr);
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"
