#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace zorvan::test {

// A call that hangs cannot fail its own test: the thread that would report
// it never comes back. The watchdog runs beside it and, when a guarded call
// has not returned within the bound, names the call on stderr and ends the
// process with a failure exit code, which fails the test run.
class SoakWatchdog {
public:
    explicit SoakWatchdog(std::chrono::milliseconds bound);
    ~SoakWatchdog();
    SoakWatchdog(const SoakWatchdog &) = delete;
    SoakWatchdog &operator=(const SoakWatchdog &) = delete;

    void guard(const QString &what, const std::function<void()> &call);

    static constexpr int kHungExitCode = 87;

private:
    void watch();

    const std::chrono::milliseconds m_bound;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
    QByteArray m_what;
    bool m_quit = false;
    std::thread m_thread;
};

// Resident memory of this process, from /proc/self/status; -1 where it
// cannot be read.
qint64 residentKiB();

} // namespace zorvan::test
