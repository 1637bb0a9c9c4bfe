#include "receiver_window.h"

#include "sim_session.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <array>

namespace zorvan::sim {

namespace {

constexpr int kRefreshMs = 100;
constexpr int kLogLines = 20;

// The captions the driver gives the six modes.
constexpr std::array<const char *, 6> kModeNames = {
    "Normal",
    "Normal + CT",
    "Jazler",
    "Jazler + CT",
    "turbo PS, no RT",
    "turbo PS + RT",
};

QString onOff(bool on, const char *name)
{
    return QStringLiteral("%1 %2").arg(QLatin1String(name), on ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace

ReceiverWindow::ReceiverWindow(SimSession *session, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
{
    setWindowTitle(QStringLiteral("zorvan-sim: virtual receiver"));

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QFont display = fixed;
    display.setPointSize(28);
    display.setBold(true);

    m_ps = new QLabel;
    m_ps->setFont(display);
    m_ps->setAlignment(Qt::AlignCenter);
    m_ps->setStyleSheet(QStringLiteral("background:#102010; color:#9f9; padding:8px;"));
    m_ps->setTextFormat(Qt::PlainText);

    m_rt = new QLabel;
    m_rt->setFont(fixed);
    m_rt->setWordWrap(true);
    m_rt->setTextFormat(Qt::PlainText);
    m_rt->setMinimumHeight(40);

    auto *details = new QFormLayout;
    const auto row = [&](const char *caption) {
        auto *value = new QLabel;
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        details->addRow(QString::fromLatin1(caption), value);
        return value;
    };
    m_rds = row("RDS output");
    m_pi = row("PI");
    m_pty = row("PTY");
    m_flags = row("Flags");
    m_di = row("Decoder ID");
    m_ecc = row("ECC");
    m_af = row("AF list");
    m_label = row("Label on air");
    m_clock = row("Board clock");
    m_mode = row("Mode");
    m_memory = row("Memory");
    auto *detailBox = new QGroupBox(QStringLiteral("Board"));
    detailBox->setLayout(details);

    m_log = new QListWidget;
    m_log->setFont(fixed);
    m_log->setMinimumHeight(220);
    auto *logBox = new QGroupBox(QStringLiteral("Last frames"));
    auto *logLayout = new QVBoxLayout(logBox);
    logLayout->addWidget(m_log);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_ps);
    layout->addWidget(m_rt);
    layout->addWidget(detailBox);
    layout->addWidget(logBox, 1);
    resize(560, 720);

    connect(session, &SimSession::logged, this, &ReceiverWindow::addLogLine);
    connect(&m_refresh, &QTimer::timeout, this, &ReceiverWindow::refresh);
    m_refresh.start(kRefreshMs);
    refresh();
}

void ReceiverWindow::refresh()
{
    const qint64 now = m_session->nowMs();
    const BoardState &board = m_session->board();
    const ReceiverView view = board.receiverView(now);

    m_ps->setText(view.ps);
    m_rt->setText(view.rdsOn ? (view.rt.isEmpty() ? QStringLiteral("(no radio text)") : view.rt) : QString());
    m_rds->setText(view.rdsOn ? QStringLiteral("on") : QStringLiteral("off (receiver sees no RDS)"));
    m_pi->setText(view.pi);
    m_pty->setText(view.rdsOn ? QStringLiteral("%1  %2").arg(view.pty).arg(view.ptyName) : QString());
    m_flags->setText(view.rdsOn ? QStringList { onOff(view.tp, "TP"), onOff(view.ta, "TA"),
                         view.ms ? QStringLiteral("music") : QStringLiteral("speech") }
                                      .join(QStringLiteral("   "))
                                : QString());
    m_di->setText(view.rdsOn ? QStringList { view.di[0] ? QStringLiteral("stereo") : QStringLiteral("mono"),
                      onOff(view.di[1], "artificial head"), onOff(view.di[2], "compressed"),
                      onOff(view.di[3], "dynamic PTY") }
                                   .join(QStringLiteral(", "))
                             : QString());
    m_ecc->setText(view.ecc);
    m_af->setText(view.afMhz.isEmpty() ? QString() : view.afMhz.join(QStringLiteral(" MHz, ")) + " MHz");
    m_label->setText(view.labelIndex < 0
            ? QString()
            : QStringLiteral("%1 (delay %2)").arg(view.labelIndex).arg(view.labelDelay));
    m_clock->setText(
        view.clock ? view.clock->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("not set"));
    m_mode->setText(view.mode >= 0 && view.mode < int(kModeNames.size())
            ? QStringLiteral("%1 (%2)").arg(view.mode).arg(QLatin1String(kModeNames[view.mode]))
            : QString::number(view.mode));
    m_memory->setText(view.stored ? QStringLiteral("stored (%1 saves)").arg(board.saveCount())
                                  : QStringLiteral("unsaved changes (%1 saves)").arg(board.saveCount()));
}

void ReceiverWindow::addLogLine(const QString &line)
{
    m_log->addItem(line);
    while (m_log->count() > kLogLines)
        delete m_log->takeItem(0);
    m_log->scrollToBottom();
}

} // namespace zorvan::sim
