#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace zorvan {

// What the service tells systemd (Type=notify): ready once the settings
// are loaded, reloading while they are read again, stopping at the end, and
// a watchdog ping from the event loop, so that a loop that hangs is
// restarted. Outside systemd (no NOTIFY_SOCKET) every call does nothing.
class ServiceManager : public QObject {
    Q_OBJECT

public:
    explicit ServiceManager(QObject *parent = nullptr);

    // The settings are loaded and the service does its work; `status` is
    // the one line `systemctl status` shows.
    void ready(const QString &status);
    // Runs `reload` between RELOADING=1 and READY=1: every reload of the
    // settings, whatever asked for it, goes through here.
    void reload(const std::function<void()> &reload);
    // The end has begun (a transmission may still finish first).
    void stopping();

private:
    void notify(const QByteArray &state);

    QTimer m_watchdog;
};

} // namespace zorvan
