#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QListWidget;

namespace zorvan::sim {

class SimSession;

// The virtual receiver: what a listener's radio would show from the board,
// plus the board's own state and the last frames that arrived.
class ReceiverWindow : public QWidget {
    Q_OBJECT

public:
    explicit ReceiverWindow(SimSession *session, QWidget *parent = nullptr);

private:
    void refresh();
    void addLogLine(const QString &line);

    SimSession *m_session;
    QTimer m_refresh;
    QLabel *m_ps = nullptr;
    QLabel *m_rt = nullptr;
    QLabel *m_pi = nullptr;
    QLabel *m_pty = nullptr;
    QLabel *m_flags = nullptr;
    QLabel *m_di = nullptr;
    QLabel *m_ecc = nullptr;
    QLabel *m_af = nullptr;
    QLabel *m_label = nullptr;
    QLabel *m_clock = nullptr;
    QLabel *m_mode = nullptr;
    QLabel *m_rds = nullptr;
    QLabel *m_memory = nullptr;
    QListWidget *m_log = nullptr;
};

} // namespace zorvan::sim
