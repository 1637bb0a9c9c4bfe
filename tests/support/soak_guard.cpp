#include "soak_guard.h"

#include <cstdio>
#include <cstdlib>

namespace zorvan::test {

SoakWatchdog::SoakWatchdog(std::chrono::milliseconds bound)
    : m_bound(bound)
    , m_thread([this] { watch(); })
{
}

SoakWatchdog::~SoakWatchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void SoakWatchdog::guard(const QString &what, const std::function<void()> &call)
{
    {
        std::lock_guard lock(m_mutex);
        m_what = what.toLocal8Bit();
        m_deadline = std::chrono::steady_clock::now() + m_bound;
    }
    m_changed.notify_all();
    call();
    {
        std::lock_guard lock(m_mutex);
        m_deadline.reset();
    }
    m_changed.notify_all();
}

void SoakWatchdog::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (!m_deadline) {
            m_changed.wait(lock);
            continue;
        }
        const auto deadline = *m_deadline;
        if (m_changed.wait_until(lock, deadline) == std::cv_status::timeout && m_deadline == deadline) {
            std::fprintf(stderr, "FAIL!  : %s did not return within %lld ms\n", m_what.constData(),
                static_cast<long long>(m_bound.count()));
            std::fflush(stderr);
            std::_Exit(kHungExitCode);
        }
    }
}

qint64 residentKiB()
{
    std::FILE *status = std::fopen("/proc/self/status", "re");
    if (!status)
        return -1;
    char line[256];
    qint64 kib = -1;
    while (std::fgets(line, sizeof line, status)) {
        long long value = 0;
        if (std::sscanf(line, "VmRSS: %lld kB", &value) == 1) {
            kib = value;
            break;
        }
    }
    std::fclose(status);
    return kib;
}

} // namespace zorvan::test
