#include "ui/frm_about.h"

#include "ui/help_support.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>

namespace zorvan {

namespace {

QPointer<FrmAbout> s_about;

} // namespace

FrmAbout::FrmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_timer(new QTimer(this))
    , m_progress(new QProgressBar(this))
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral("About ZORVAN Q400+"));
    setFixedSize(kPictureSize);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture"));
    picture->setGeometry(QRect(QPoint(0, 0), kPictureSize));
    picture->setPixmap(QPixmap(QStringLiteral(":/about.png")));
    picture->setStyleSheet(QStringLiteral("background-color: #0b1f3a;"));

    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setToolTip(QStringLiteral("Loading....."));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, kMaximum);
    m_progress->setValue(0);
    m_progress->setGeometry(24, kPictureSize.height() - 34, kPictureSize.width() - 48, 14);
    // Built before the picture, so it has to be lifted above it to be seen.
    m_progress->raise();

    m_timer->setObjectName(QStringLiteral("Timer2"));
    m_timer->setInterval(kIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &FrmAbout::tick);
    m_timer->start();
}

void FrmAbout::tick()
{
    if (m_finished)
        return;
    m_counter = static_cast<qint16>(m_counter + kStep);
    if (m_counter <= kMaximum) {
        m_progress->setMaximum(kMaximum);
        m_progress->setValue(m_counter);
        return;
    }
    m_counter = 0;
    m_finished = true;
    m_timer->stop();
    done(QDialog::Accepted);
}

// Escape and the window's close box do nothing: the window closes itself.
void FrmAbout::reject()
{
}

void FrmAbout::closeEvent(QCloseEvent *event)
{
    if (m_finished)
        event->accept();
    else
        event->ignore();
}

void FrmAbout::showSplash(QWidget *parent, QObject *context, std::function<void()> closed)
{
    // Not exec(): a nested event loop would hold up whatever comes while
    // the splash is up, a termination signal among them.
    auto *splash = new FrmAbout(parent);
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->setModal(true);
    QObject::connect(splash, &QDialog::finished, context, [closed = std::move(closed)] { closed(); });
    splash->show();
}

FrmAbout *FrmAbout::showAbout(QWidget *parent)
{
    if (!s_about) {
        BusyPointer busy;
        s_about = new FrmAbout(parent);
        s_about->setAttribute(Qt::WA_DeleteOnClose);
        s_about->setModal(false);
        s_about->show();
    }
    s_about->raise();
    s_about->activateWindow();
    return s_about;
}

FrmAbout *FrmAbout::instance()
{
    return s_about.data();
}

} // namespace zorvan
