#include "ui/frm_setup.h"

#include "link/com_port_map.h"
#include "model/setup_choices.h"
#include "settings/settings_store.h"
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

FrmSetup::FrmSetup(
    StationSettings &settings, SettingsBackend &backend, std::function<void()> save, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_backend(backend)
    , m_save(std::move(save))
    , m_port(new QComboBox(this))
    , m_speed(new QComboBox(this))
    , m_device(new QLineEdit(this))
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
    m_device->setObjectName(QStringLiteral("DevicePath"));
    m_device->setAccessibleName(QStringLiteral("Device:"));
    m_device->setToolTip(QStringLiteral("The serial device this COM port opens"));
    m_device->setMinimumWidth(160);
    portLabel->setBuddy(m_port);
    speedLabel->setBuddy(m_speed);
    deviceLabel->setBuddy(m_device);

    m_help->setObjectName(QStringLiteral("Command15"));
    m_help->setToolTip(QStringLiteral("Click for Help!"));
    m_help->setFixedWidth(28);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setDefault(true);

    auto *grid = new QGridLayout(frame);
    grid->addWidget(portLabel, 0, 0);
    grid->addWidget(m_port, 0, 1);
    grid->addWidget(deviceLabel, 0, 2);
    grid->addWidget(m_device, 0, 3);
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

    reloadRecord();
    fill();

    connect(m_port, &QComboBox::currentTextChanged, this, &FrmSetup::portTextChanged);
    connect(m_speed, &QComboBox::currentTextChanged, this, &FrmSetup::speedTextChanged);
    connect(m_device, &QLineEdit::editingFinished, this, &FrmSetup::deviceEdited);
    connect(m_help, &QPushButton::clicked, this, [this] { showMessage(this, setupHelpText()); });
    connect(m_ok, &QPushButton::clicked, this, [this] {
        saveRecord();
        close();
    });
}

// The store may have changed behind the program's back, so the record is
// read again. A store that cannot be read would hand back nothing but
// defaults, and one that refuses writes may hold older values than the
// record; in both cases the record in memory is kept.
void FrmSetup::reloadRecord()
{
    if (!m_backend.flush())
        return;
    StationSettings stored;
    if (LoadAllSettings(stored, m_backend) == StoreStatus::Ok)
        m_settings = stored;
}

void FrmSetup::fill()
{
    const QSignalBlocker portBlocker(m_port);
    const QSignalBlocker speedBlocker(m_speed);
    m_port->clear();
    m_port->addItems(comPortEntries());
    m_port->setCurrentIndex(-1);
    m_port->setEditText(comPortEntryText(m_settings.COMSelected).value_or(kComPortDesignText));
    m_speed->clear();
    m_speed->addItems(baudRateEntries());
    m_speed->setCurrentIndex(-1);
    m_speed->setEditText(baudRateEntryText(m_settings.COMSpeed).value_or(kBaudRateDesignText));
    showDevice();
}

void FrmSetup::showDevice()
{
    const int port = m_settings.COMSelected;
    const bool known = port >= kFirstPort && port <= kLastPort;
    m_device->setEnabled(known);
    m_device->setText(known ? comPortDevice(m_backend, port) : QString());
}

void FrmSetup::saveRecord()
{
    if (m_save)
        m_save();
}

void FrmSetup::portTextChanged(const QString &text)
{
    if (const auto port = comSelectedFromText(text)) {
        m_settings.COMSelected = *port;
        showDevice();
    }
    saveRecord();
}

void FrmSetup::speedTextChanged(const QString &text)
{
    if (const auto speed = comSpeedFromText(text))
        m_settings.COMSpeed = *speed;
    saveRecord();
}

void FrmSetup::deviceEdited()
{
    const int port = m_settings.COMSelected;
    if (port < kFirstPort || port > kLastPort)
        return;
    if (m_device->text() == comPortDevice(m_backend, port))
        return;
    setComPortDevice(m_backend, port, m_device->text());
    saveRecord();
    showDevice();
}

FrmSetup *FrmSetup::open(
    StationSettings &settings, SettingsBackend &backend, std::function<void()> save, QWidget *parent)
{
    if (!s_setup) {
        BusyPointer busy;
        s_setup = new FrmSetup(settings, backend, std::move(save), parent);
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
