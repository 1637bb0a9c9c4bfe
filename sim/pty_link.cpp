#include "pty_link.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zorvan::sim {

namespace {

// After a hang-up the master would report readable without end; look
// again after this long instead of spinning.
constexpr int kRetryAfterHangUpMs = 100;
constexpr qsizetype kReadChunk = 4096;

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

speed_t speedConstant(int baud)
{
    switch (baud) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    default:
        return B0; // 14400 has no constant; the pseudo-terminal keeps its rate
    }
}

void closeOnExec(int fd)
{
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
}

} // namespace

PtyLink::PtyLink(QObject *parent)
    : QObject(parent)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryAfterHangUpMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

PtyLink::~PtyLink()
{
    removeLink();
    close();
}

bool PtyLink::isSupportedBaud(int baud)
{
    return baud == 9600 || baud == 14400 || baud == 19200 || baud == 38400;
}

bool PtyLink::open(const QString &linkPath, int baud, QString *error)
{
    const QByteArray link = QFile::encodeName(linkPath);
    struct stat existing { };
    if (::lstat(link.constData(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it").arg(linkPath);
        return false;
    }

    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        *error = systemError("openpty");
        return false;
    }
    closeOnExec(m_master);
    closeOnExec(m_slave);
    m_device = QString::fromLocal8Bit(name);

    termios settings {};
    ::tcgetattr(m_slave, &settings);
    ::cfmakeraw(&settings);
    if (const speed_t speed = speedConstant(baud); speed != B0)
        ::cfsetspeed(&settings, speed);
    if (::tcsetattr(m_slave, TCSANOW, &settings) != 0) {
        *error = systemError("tcsetattr");
        close();
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    // Made under a temporary name and renamed over the old link, so the
    // path never points nowhere while a driver may be looking it up.
    const QByteArray temporary = link + ".new" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(name, temporary.constData()) != 0
        || ::rename(temporary.constData(), link.constData()) != 0) {
        *error = systemError("symlink");
        ::unlink(temporary.constData());
        close();
        return false;
    }
    m_linkPath = linkPath;
    m_linkMade = true;

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyLink::readAvailable);
    return true;
}

void PtyLink::removeLink()
{
    if (!m_linkMade)
        return;
    m_linkMade = false;
    const QByteArray link = QFile::encodeName(m_linkPath);
    char target[256] = {};
    const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
    if (length > 0 && QString::fromLocal8Bit(target, length) == m_device)
        ::unlink(link.constData());
}

void PtyLink::readAvailable()
{
    QByteArray bytes;
    char buffer[kReadChunk];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
            // No slave is open (EIO): wait for the next open instead of spinning.
            m_notifier->setEnabled(false);
            m_retry.start();
        }
        break;
    }
    if (!bytes.isEmpty())
        emit bytesArrived(bytes);
}

void PtyLink::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

} // namespace zorvan::sim
