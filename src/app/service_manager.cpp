#include "service_manager.h"

#ifdef ZORVAN_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

#include <time.h>

namespace zorvan {

ServiceManager::ServiceManager(QObject *parent)
    : QObject(parent)
{
#ifdef ZORVAN_HAVE_SYSTEMD
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) {
        // Twice per interval, as sd_watchdog_enabled(3) advises: a late
        // ping on a loaded machine is still in time.
        m_watchdog.setInterval(std::max<qint64>(1, qint64(usec / 2000)));
        connect(&m_watchdog, &QTimer::timeout, this, [this] { notify("WATCHDOG=1"); });
        m_watchdog.start();
    }
#endif
}

void ServiceManager::ready(const QString &status)
{
    notify("READY=1\nSTATUS=" + status.toUtf8());
}

void ServiceManager::reload(const std::function<void()> &reload)
{
    // systemd 253 and later match the reload by this time stamp
    // (Type=notify-reload); older ones ignore it.
    struct timespec now { };
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const qint64 usec = qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    notify("RELOADING=1\nMONOTONIC_USEC=" + QByteArray::number(usec));
    reload();
    notify("READY=1");
}

void ServiceManager::stopping()
{
    notify("STOPPING=1");
}

void ServiceManager::notify(const QByteArray &state)
{
#ifdef ZORVAN_HAVE_SYSTEMD
    sd_notify(0, state.constData());
#else
    Q_UNUSED(state);
#endif
}

} // namespace zorvan
