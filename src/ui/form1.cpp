#include "ui/form1.h"

#include "model/window_pages.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTimer>

namespace zorvan {

namespace {

constexpr int kTimerIntervalMs = 1000;

QIcon productIcon()
{
    const QIcon icon(QStringLiteral(":/zorvan.png"));
    if (!icon.isNull() && !icon.availableSizes().isEmpty())
        return icon;
    // Without the artwork the tray still needs something to show.
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(0, 70, 140));
    QPainter painter(&pixmap);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(14);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("RDS"));
    return QIcon(pixmap);
}

QTimer *makeTimer(QObject *parent, const char *name)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(kTimerIntervalMs);
    return timer;
}

} // namespace

Form1::Form1(StationSettings &settings, SettingsBackend &backend, QWidget *parent)
    : QMainWindow(parent)
    , m_settings(settings)
    , m_backend(backend)
    , m_trayAvailable(&QSystemTrayIcon::isSystemTrayAvailable)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZORVAN Q500+"));
    // A fixed-size window has nothing to maximise; minimising stays, it is
    // where the window goes when there is no notification area.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(productIcon());

    buildWindow();
    buildMenus();
    connectEditors();

    m_timers.clock = makeTimer(this, "Timer1");
    m_timers.preview = makeTimer(this, "Timer2");
    m_timers.unused = makeTimer(this, "Timer5");
    m_timers.engine = makeTimer(this, "Timer6");

    m_tray = new QSystemTrayIcon(productIcon(), this);
    m_tray->setObjectName(QStringLiteral("Systray"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this] { returnFromTray(); });

    m_statusText = new QLabel(QStringLiteral("Ready"), this);
    m_statusText->setObjectName(QStringLiteral("StatusText"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_statusText, 1);
    statusBar()->setSizeGripEnabled(false);

    placePages();
    applyFixedSize();
}

Form1::~Form1() = default;

void Form1::addStartUpHook(StartUpStep step, std::function<void()> hook)
{
    m_hooks[step].push_back(std::move(hook));
}

void Form1::runHooks(StartUpStep step)
{
    const auto found = m_hooks.find(step);
    if (found == m_hooks.end())
        return;
    for (const auto &hook : found->second)
        hook();
}

void Form1::startUp()
{
    DspCount = 0;
    runHooks(StartUpStep::PlayerLookUp);
    runHooks(StartUpStep::Splash);
    const bool unreadable = LoadAllSettings(m_settings, m_backend) == StoreStatus::Unreadable;
    m_keepUnreadStore = unreadable;
    placePages();
    applyFixedSize();
    fillControls();
    runHooks(StartUpStep::FillControls);
    // The clock and the engine start here too: a tick before the record is
    // loaded and shown would work on defaults.
    m_timers.preview->start();
    m_timers.clock->start();
    m_timers.engine->start();
    if (m_settings.TrayAtStart)
        moveToTray();
    runHooks(StartUpStep::LastSentText);

    if (unreadable) {
        setStatusText(m_saveFailureShown ? tr("The settings file could not be read in full or written; "
                                              "settings missing from it are at their defaults.")
                                         : tr("The settings file could not be read in full; settings missing "
                                              "from it are at their defaults."));
    }
    if (!m_inTray && !isVisible())
        show();
}

void Form1::saveUnasked()
{
    if (!m_keepUnreadStore)
        saveAllSettings();
}

void Form1::saveAllSettings()
{
    m_keepUnreadStore = false;
    if (SaveAllSettings(m_settings, m_backend) == StoreStatus::Ok) {
        m_saveFailureShown = false;
        return;
    }
    if (m_saveFailureShown)
        return;
    m_saveFailureShown = true;
    setStatusText(tr("The settings could not be saved; changes last until the program ends."));
}

void Form1::setStatusText(const QString &text)
{
    m_statusText->setText(text);
}

QString Form1::statusText() const
{
    return m_statusText->text();
}

void Form1::setTrayAvailability(std::function<bool()> available)
{
    m_trayAvailable = std::move(available);
}

void Form1::moveToTray()
{
    if (!m_trayAvailable()) {
        showMinimized();
        setStatusText(tr("There is no notification area: the window was minimised instead."));
        return;
    }
    m_tray->show();
    m_inTray = true;
    hide();
}

void Form1::returnFromTray()
{
    m_tray->hide();
    m_inTray = false;
    showNormal();
    raise();
    activateWindow();
}

QPushButton *Form1::helpButton(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_helpButtons.size()))
        return nullptr;
    return m_helpButtons[static_cast<std::size_t>(index)];
}

void Form1::switchPage()
{
    const auto page = pageForTabCaption(m_tabStrip->tabText(m_tabStrip->currentIndex()));
    if (!page)
        return;
    for (std::size_t i = 0; i < m_pagePanels.size(); ++i)
        m_pagePanels[i]->setVisible(static_cast<int>(i) == *page);
}

void Form1::placePages()
{
    const QRect area(twipsToPixels(135), twipsToPixels(450), twipsToPixels(6570), twipsToPixels(4725));
    for (QWidget *panel : m_pagePanels)
        panel->setGeometry(area);
}

void Form1::applyFixedSize()
{
    const QSize outer(twipsToPixels(kFormWidthTwips), twipsToPixels(kFormHeightTwips));
    // The frame is known only once a window manager has framed the window;
    // until then (and without one) the window itself takes the whole size.
    QSize frame = frameGeometry().size() - geometry().size();
    if (!isVisible() || frame.width() < 0 || frame.height() < 0 || frame.width() >= outer.width() / 4
        || frame.height() >= outer.height() / 4)
        frame = QSize();
    const QSize inner = outer - frame;
    if (minimumSize() != inner || maximumSize() != inner)
        setFixedSize(inner);
}

bool Form1::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate && !m_filling)
        saveUnasked();
    return QMainWindow::event(event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    saveUnasked();
    m_tray->hide();
    m_inTray = false;
    event->accept();
    emit shutDown();
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    applyFixedSize();
    if (size() != minimumSize())
        resize(minimumSize());
}

void Form1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    applyFixedSize();
}

} // namespace zorvan
