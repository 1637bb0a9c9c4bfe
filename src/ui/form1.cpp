#include "ui/form1.h"

#include "model/window_pages.h"
#include "ui/frm_about.h"
#include "ui/help_support.h"

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

} // namespace

Form1::Form1(Station &station, QWidget *parent)
    : QMainWindow(parent)
    , m_station(station)
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

    m_tray = new QSystemTrayIcon(productIcon(), this);
    m_tray->setObjectName(QStringLiteral("Systray"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this] { returnFromTray(); });

    m_statusText = new QLabel(QStringLiteral("Ready"), this);
    m_statusText->setObjectName(QStringLiteral("StatusText"));
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_statusText, 1);
    statusBar()->setSizeGripEnabled(false);

    connectEditors();
    connectShell();
    connect(&m_station, &Station::changed, this, &Form1::redraw);
    // Messages for the operator never block the window: its menus stay
    // usable (File > Setup mends a missing port) and it can still close.
    connect(&m_station, &Station::notice, this, [this](const QString &text) { showMessage(this, text); });
    connect(&m_station, &Station::readyToClose, this, &QWidget::close, Qt::QueuedConnection);

    placePages();
    applyFixedSize();
}

Form1::~Form1() = default;

void Form1::startUp()
{
    m_station.beginStartUp();
    // The main window has not been placed yet, so a splash centred over it
    // would sit in the corner of the screen; it stands alone, centred on it.
    FrmAbout::showSplash(nullptr, this, [this] { finishStartUp(); });
}

void Form1::finishStartUp()
{
    if (m_started)
        return;
    m_started = true;
    m_station.load(); // the station says it changed: the window draws the record
    placePages();
    applyFixedSize();
    if (m_station.record().TrayAtStart)
        moveToTray();
    if (!m_inTray && !isVisible())
        show();
    emit startedUp();
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
        m_statusText->setText(tr("There is no notification area: the window was minimised instead."));
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
    if (event->type() == QEvent::WindowDeactivate && m_station.isLoaded())
        m_station.saveUnasked();
    return QMainWindow::event(event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (!m_station.shutDown()) {
        event->ignore();
        return;
    }
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
