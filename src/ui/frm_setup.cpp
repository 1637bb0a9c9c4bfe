#include "ui/frm_setup.h"

#include "link/serial_device_list.h"
#include "model/setup_choices.h"
#include "ui/help_support.h"
#include "ui/help_texts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace zorvan {

namespace {

QPointer<FrmSetup> s_setup;

constexpr int kFirstPort = 1;
constexpr int kLastPort = 8;

} // namespace

FrmSetup::FrmSetup(Station &station, QWidget *parent)
    : QDialog(parent)
    , m_station(station)
    , m_port(new QComboBox(this))
    , m_speed(new QComboBox(this))
    , m_deviceList(new QComboBox(this))
    , m_help(new QPushButton(QStringLiteral("?"), this))
    , m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("FrmSetup"));
    setWindowTitle(QStringLiteral("ZORVAN Q500+ Setup"));
    setModal(false);

    auto *frame = new QGroupBox(QStringLiteral("Communications preferences"), this);
    frame->setObjectName(QStringLiteral("Frame2"));
    auto *portLabel = new QLabel(QStringLiteral("COM port:"), frame);
    portLabel->setObjectName(QStringLiteral("Label1"));
    auto *speedLabel = new QLabel(QStringLiteral("Baud rate:"), frame);
    speedLabel->setObjectName(QStringLiteral("Label2"));
    auto *deviceLabel = new QLabel(QStringLiteral("Device:"), frame);
    deviceLabel->setObjectName(QStringLiteral("DeviceLabel"));

    m_port->setObjectName(QStringLiteral("Combo2"));
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    m_port->setToolTip(QStringLiteral("I/O address, 300h is default!"));
    // Typed text is taken as it stands; a completer would turn "com 1" into
    // an entry the operator never typed.
    m_port->setCompleter(nullptr);
    m_speed->setObjectName(QStringLiteral("Combo1"));
    m_speed->setEditable(true);
    m_speed->setInsertPolicy(QComboBox::NoInsert);
    m_speed->setToolTip(QStringLiteral("COM port speed, set jumpers correctly to match this value!"));
    m_speed->setCompleter(nullptr);
    // The devices present to pick from; a path or a device server's address
    // (tcp://HOST:PORT, rfc2217://HOST:PORT) can be typed as well.
    m_deviceList->setObjectName(QStringLiteral("DeviceList"));
    m_deviceList->setEditable(true);
    m_deviceList->setInsertPolicy(QComboBox::NoInsert);
    m_deviceList->setCompleter(nullptr);
    m_deviceList->addItems(listSerialDevices());
    m_device = m_deviceList->lineEdit();
    m_device->setObjectName(QStringLiteral("DevicePath"));
    m_device->setAccessibleName(QStringLiteral("Device:"));
    m_deviceList->setToolTip(tr("The serial device this COM port opens, or a device server as "
                                "tcp://HOST:PORT or rfc2217://HOST:PORT"));
    m_deviceList->setMinimumWidth(220);
    portLabel->setBuddy(m_port);
    speedLabel->setBuddy(m_speed);
    deviceLabel->setBuddy(m_deviceList);

    m_help->setObjectName(QStringLiteral("Command15"));
    m_help->setToolTip(QStringLiteral("Click for Help!"));
    m_help->setFixedWidth(28);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setDefault(true);

    auto *grid = new QGridLayout(frame);
    grid->addWidget(portLabel, 0, 0);
    grid->addWidget(m_port, 0, 1);
    grid->addWidget(deviceLabel, 0, 2);
    grid->addWidget(m_deviceList, 0, 3);
    grid->addWidget(speedLabel, 1, 0);
    grid->addWidget(m_speed, 1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_help);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The store may have changed behind the program's back.
    m_station.reloadFromStore();
    fill();

    connect(m_port, &QComboBox::currentTextChanged, this, &FrmSetup::portTextChanged);
    connect(m_speed, &QComboBox::currentTextChanged, &m_station, &Station::chooseComSpeedText);
    // Picking an entry stores it even when the list already shows its text:
    // a stored value that no entry stands for shows the first entry's text.
    connect(m_port, &QComboBox::activated, this,
        [this](int position) { portTextChanged(m_port->itemText(position)); });
    connect(m_speed, &QComboBox::activated, this,
        [this](int position) { m_station.chooseComSpeedText(m_speed->itemText(position)); });
    connect(m_device, &QLineEdit::editingFinished, this, &FrmSetup::deviceEdited);
    connect(m_deviceList, &QComboBox::activated, this, &FrmSetup::deviceEdited);
    connect(m_help, &QPushButton::clicked, this, [this] { showMessage(this, setupHelpText()); });
    connect(m_ok, &QPushButton::clicked, this, [this] {
        m_station.save();
        close();
    });
}

// Each list opens on the stored choice, selected, so that the arrow keys
// move on from it; a stored value that no entry stands for shows the
// design text with nothing selected.
void FrmSetup::fill()
{
    const QSignalBlocker portBlocker(m_port);
    const QSignalBlocker speedBlocker(m_speed);
    const StationSettings &record = m_station.record();
    const auto show = [](QComboBox *list, const QStringList &entries, const std::optional<QString> &stored,
                          const QString &designText) {
        list->clear();
        list->addItems(entries);
        const int position = stored ? static_cast<int>(entries.indexOf(*stored)) : -1;
        list->setCurrentIndex(position);
        if (position < 0)
            list->setEditText(designText);
    };
    show(m_port, comPortEntries(), comPortEntryText(record.COMSelected), kComPortDesignText);
    show(m_speed, baudRateEntries(), baudRateEntryText(record.COMSpeed), kBaudRateDesignText);
    showDevice();
}

void FrmSetup::showDevice()
{
    const int port = m_station.record().COMSelected;
    const bool known = port >= kFirstPort && port <= kLastPort;
    const QSignalBlocker blocker(m_deviceList);
    m_deviceList->setEnabled(known);
    m_deviceList->setCurrentIndex(-1);
    m_deviceList->setEditText(known ? m_station.comDevice(port) : QString());
}

void FrmSetup::portTextChanged(const QString &text)
{
    m_station.chooseComPortText(text);
    showDevice();
}

void FrmSetup::deviceEdited()
{
    m_station.setComDevice(m_device->text());
    showDevice();
}

FrmSetup *FrmSetup::open(Station &station, QWidget *parent)
{
    if (!s_setup) {
        BusyPointer busy;
        s_setup = new FrmSetup(station, parent);
        s_setup->setAttribute(Qt::WA_DeleteOnClose);
        s_setup->show();
    }
    s_setup->raise();
    s_setup->activateWindow();
    return s_setup;
}

FrmSetup *FrmSetup::instance()
{
    return s_setup.data();
}

} // namespace zorvan
