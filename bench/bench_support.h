#pragma once

// Shared by the benchmarks: a pseudo-terminal that stands in for the board
// and notes when every byte arrived, and small statistics over samples.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zorvan::bench {

using Clock = std::chrono::steady_clock;

inline double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

class BoardPty {
public:
    BoardPty()
    {
        char name[256] = {};
        termios raw {};
        ::cfmakeraw(&raw);
        if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
            return;
        m_slavePath = QString::fromLocal8Bit(name);
        m_thread = std::thread([this] { readLoop(); });
    }
    ~BoardPty()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        if (m_thread.joinable())
            m_thread.join();
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }
    BoardPty(const BoardPty &) = delete;
    BoardPty &operator=(const BoardPty &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    qsizetype size() const
    {
        std::lock_guard lock(m_mutex);
        return m_bytes.size();
    }
    QByteArray bytes() const
    {
        std::lock_guard lock(m_mutex);
        return m_bytes;
    }
    // Arrival time of every byte from `from` on.
    std::vector<Clock::time_point> arrivalsFrom(qsizetype from) const
    {
        std::lock_guard lock(m_mutex);
        return { m_at.begin() + std::min<qsizetype>(from, m_at.size()), m_at.end() };
    }
    Clock::time_point lastArrival() const
    {
        std::lock_guard lock(m_mutex);
        return m_at.empty() ? Clock::time_point {} : m_at.back();
    }

private:
    void readLoop()
    {
        char buffer[4096];
        for (;;) {
            {
                std::lock_guard lock(m_mutex);
                if (m_stop)
                    return;
            }
            pollfd fd { m_master, POLLIN, 0 };
            if (::poll(&fd, 1, 20) <= 0 || !(fd.revents & POLLIN))
                continue;
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            const auto now = Clock::now();
            if (n <= 0)
                continue;
            std::lock_guard lock(m_mutex);
            m_bytes.append(buffer, n);
            m_at.insert(m_at.end(), std::size_t(n), now);
        }
    }

    int m_master = -1;
    int m_slave = -1; // kept open so the terminal survives the driver's closes
    QString m_slavePath;
    std::thread m_thread;
    bool m_stop = false;
    mutable std::mutex m_mutex;
    QByteArray m_bytes;
    std::vector<Clock::time_point> m_at;
};

struct Summary {
    double min = 0, median = 0, p99 = 0, max = 0, mean = 0;
};

inline Summary summarize(std::vector<double> samples)
{
    Summary s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) {
        return samples[std::min(samples.size() - 1, std::size_t(q * (samples.size() - 1) + 0.5))];
    };
    s.min = samples.front();
    s.max = samples.back();
    s.median = at(0.5);
    s.p99 = at(0.99);
    double total = 0;
    for (double v : samples)
        total += v;
    s.mean = total / double(samples.size());
    return s;
}

inline void printSummary(const char *what, const Summary &s, const char *unit)
{
    std::printf("%-44s min %9.3f  median %9.3f  mean %9.3f  p99 %9.3f  max %9.3f %s\n", what, s.min, s.median,
        s.mean, s.p99, s.max, unit);
    std::fflush(stdout);
}

// Runs the event loop for `ms`.
inline void keepRunning(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Runs the event loop until bytes beyond `from` arrived and then nothing
// more for `quietMs`; false when nothing came within `limitMs`.
inline bool waitForUpload(const BoardPty &board, qsizetype from, int quietMs, int limitMs)
{
    QElapsedTimer limit;
    limit.start();
    while (board.size() == from) {
        if (limit.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    }
    qsizetype seen = board.size();
    QElapsedTimer quiet;
    quiet.start();
    while (quiet.elapsed() < quietMs) {
        keepRunning(20);
        if (board.size() != seen) {
            seen = board.size();
            quiet.restart();
        }
    }
    return true;
}

} // namespace zorvan::bench
