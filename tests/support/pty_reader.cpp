#include "pty_reader.h"

#include <QDir>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace zorvan::test {

PtyReader::PtyReader()
{
    char name[256] = {};
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return;
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_master = master;
    m_slave = slave;
    m_slavePath = QString::fromLocal8Bit(name);
    m_thread = std::thread([this] { readLoop(); });
}

PtyReader::~PtyReader()
{
    stopThread();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

void PtyReader::readLoop()
{
    char buffer[4096];
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
        }
        pollfd p { m_master, POLLIN, 0 };
        const int ready = ::poll(&p, 1, 20);
        if (ready <= 0 || !(p.revents & POLLIN))
            continue;
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        const auto now = Clock::now();
        if (n <= 0)
            continue;
        std::lock_guard lock(m_mutex);
        m_arrivals.push_back({ m_bytes.size(), qsizetype(n), now });
        m_bytes.append(buffer, qsizetype(n));
        m_arrived.notify_all();
    }
}

void PtyReader::stopThread()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    if (m_thread.joinable())
        m_thread.join();
}

bool PtyReader::waitForBytes(qsizetype count, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_arrived.wait_for(lock, timeout, [&] { return m_bytes.size() >= count; });
}

QByteArray PtyReader::bytes() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

std::vector<PtyReader::Arrival> PtyReader::arrivals() const
{
    std::lock_guard lock(m_mutex);
    return m_arrivals;
}

std::optional<PtyReader::Clock::time_point> PtyReader::arrivalOf(qsizetype offset) const
{
    std::lock_guard lock(m_mutex);
    for (const Arrival &a : m_arrivals) {
        if (offset >= a.offset && offset < a.offset + a.size)
            return a.at;
    }
    return std::nullopt;
}

std::optional<double> PtyReader::gapBeforeMs(qsizetype offset) const
{
    if (offset <= 0)
        return std::nullopt;
    const auto before = arrivalOf(offset - 1);
    const auto after = arrivalOf(offset);
    if (!before || !after)
        return std::nullopt;
    return std::chrono::duration<double, std::milli>(*after - *before).count();
}

void PtyReader::stopReading()
{
    stopThread();
}

void PtyReader::resumeReading()
{
    if (m_master < 0 || m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
    }
    m_thread = std::thread([this] { readLoop(); });
}

void PtyReader::hangUp()
{
    stopThread();
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

std::vector<PauseGap> pauseGaps(const Transmission &plan)
{
    std::vector<PauseGap> gaps;
    qsizetype offset = 0;
    int paused = 0;
    for (const Step &step : plan.steps()) {
        if (step.kind == Step::Kind::Pause) {
            paused += step.milliseconds;
        } else if (step.kind == Step::Kind::Write && !step.bytes.isEmpty()) {
            if (paused > 0 && offset > 0)
                gaps.push_back({ offset, paused });
            paused = 0;
            offset += step.bytes.size();
        }
    }
    return gaps;
}

int openDescriptorCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
                   .size());
}

bool terminalIsExclusive(int fd)
{
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) != 0)
        return false;
    return exclusive != 0;
}

} // namespace zorvan::test
