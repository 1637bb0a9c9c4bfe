#include "link/posix_serial_port.h"

#if !defined(_WIN32)

#include "link/line_speed.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <limits>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/serial.h>
#endif

namespace zorvan {

namespace {

using Clock = std::chrono::steady_clock;

// How often the output queue is looked at while draining.
constexpr std::chrono::milliseconds kDrainPoll { 5 };

OpenOutcome openFailure(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case EIO: // a node whose hardware has gone
        return OpenOutcome::Missing;
    case EBUSY:
        return OpenOutcome::Busy;
    case EACCES:
    case EPERM:
    case EROFS:
        return OpenOutcome::Denied;
    default:
        return OpenOutcome::Error;
    }
}

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

bool waitWritable(int fd, Clock::time_point deadline)
{
    for (;;) {
        const int ms = remainingMs(deadline);
        if (ms == 0)
            return false;
        pollfd p { fd, POLLOUT, 0 };
        const int r = ::poll(&p, 1, ms);
        if (r > 0)
            return true; // also on POLLERR/POLLHUP: the write that follows says what went wrong
        if (r < 0 && errno != EINTR)
            return true;
    }
}

#if defined(__linux__)
// An 8250 node for which no chip was found opens fine and then fails every
// write; its type tells it apart.
bool noHardwareBehind(int fd)
{
    serial_struct info {};
    return ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
}
#else
bool noHardwareBehind(int)
{
    return false;
}
#endif

} // namespace

PosixSerialPort::PosixSerialPort(QStringList lockDirectories)
    : m_lockDirectories(std::move(lockDirectories))
{
}

PosixSerialPort::~PosixSerialPort()
{
    close();
}

QStringList PosixSerialPort::defaultLockDirectories()
{
    return { QStringLiteral("/run/lock"), QStringLiteral("/var/lock"), QStringLiteral("/var/spool/uucp") };
}

QString PosixSerialPort::lockFileName(const QString &device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

bool PosixSerialPort::lockedByLiveProcess(const QString &device) const
{
    // Another program may have named the port by its real node rather than
    // by a link such as /dev/serial/by-id/...
    QStringList names { lockFileName(device) };
    const QString canonical = QFileInfo(device).canonicalFilePath();
    if (!canonical.isEmpty() && canonical != device)
        names << lockFileName(canonical);
    for (const QString &name : names) {
        if (liveLockIn(name))
            return true;
    }
    return false;
}

bool PosixSerialPort::liveLockIn(const QString &name) const
{
    for (const QString &dir : m_lockDirectories) {
        QFile file(QDir(dir).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        // The PID in ASCII, usually right-aligned in ten columns.
        bool ok = false;
        const qint64 pid = file.readLine(64).trimmed().toLongLong(&ok);
        if (!ok || pid <= 0 || pid > qint64(std::numeric_limits<pid_t>::max()))
            continue;
        if (::kill(pid_t(pid), 0) == 0 || errno == EPERM)
            return true;
    }
    return false;
}

OpenOutcome PosixSerialPort::open(const QString &device, const std::optional<LineSettings> &line)
{
    close();
    const LineSettings wanted = line.value_or(m_line);

    // Before touching the device at all: opening raises DTR, which resets
    // some devices under another program's feet.
    if (lockedByLiveProcess(device))
        return OpenOutcome::Busy;

    const QByteArray path = QFile::encodeName(device);
    if (path.isEmpty())
        return OpenOutcome::Missing;
    // O_NONBLOCK: a port without carrier would otherwise block the open.
    const int fd = ::open(path.constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return openFailure(errno);
    m_fd = fd;

    struct stat info { };
    termios tio {};
    if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode) || ::tcgetattr(fd, &tio) != 0) {
        close();
        return OpenOutcome::Error;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        close();
        return OpenOutcome::Busy;
    }
    ::ioctl(fd, TIOCEXCL);
    if (noHardwareBehind(fd)) {
        close();
        return OpenOutcome::Missing;
    }
    const OpenOutcome configured = configure(wanted);
    if (configured != OpenOutcome::Ok) {
        close();
        return configured;
    }
    m_line = wanted;
    return OpenOutcome::Ok;
}

OpenOutcome PosixSerialPort::configure(const LineSettings &line)
{
    termios tio {};
    if (::tcgetattr(m_fd, &tio) != 0)
        return OpenOutcome::Error;
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    tio.c_cflag &= ~tcflag_t(CSIZE | PARENB | CSTOPB);
#if defined(CRTSCTS)
    tio.c_cflag &= ~tcflag_t(CRTSCTS);
#endif
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0)
        return OpenOutcome::Error;
    return setLineSpeed(m_fd, line.baudRate) ? OpenOutcome::Ok : OpenOutcome::Error;
}

WriteOutcome PosixSerialPort::write(const QByteArray &bytes, std::chrono::milliseconds timeout)
{
    if (m_fd < 0)
        return WriteOutcome::Failed;
    const auto deadline = Clock::now() + timeout;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            m_pendingOutput = true;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return WriteOutcome::Failed;
        if (!waitWritable(m_fd, deadline))
            return WriteOutcome::TimedOut;
    }
    return WriteOutcome::Ok;
}

WriteOutcome PosixSerialPort::drain(std::chrono::milliseconds timeout)
{
    if (m_fd < 0)
        return WriteOutcome::Failed;
    // tcdrain() could block for as long as the line is stuck; watching the
    // queue keeps the wait bounded.
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int queued = 0;
        if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0)
            return WriteOutcome::Failed;
#if defined(TIOCSERGETLSR)
        // The UART's own FIFO, which the queue no longer counts. Drivers
        // without it (pseudo-terminals, USB adapters) refuse the request.
        if (queued == 0) {
            unsigned int lsr = 0;
            if (::ioctl(m_fd, TIOCSERGETLSR, &lsr) == 0 && !(lsr & TIOCSER_TEMT))
                queued = 1;
        }
#endif
        if (queued == 0)
            break;
        if (Clock::now() >= deadline)
            return WriteOutcome::TimedOut;
        std::this_thread::sleep_for(kDrainPoll);
    }
    m_pendingOutput = false;
    return WriteOutcome::Ok;
}

void PosixSerialPort::close()
{
    if (m_fd < 0)
        return;
    // Output still queued would make close() wait for it, up to half a
    // minute on a stuck line.
    if (m_pendingOutput)
        ::tcflush(m_fd, TCOFLUSH);
    // Exclusivity is a property of the terminal, not of this descriptor: it
    // outlives the close while anyone else keeps the device open.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
    m_pendingOutput = false;
}

} // namespace zorvan

#endif
