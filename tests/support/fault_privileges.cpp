#include "fault_privileges.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zorvan::test {

namespace {

bool capabilities(bool set, __user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header {};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    header.pid = 0; // the calling thread only
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

} // namespace

ReducedCapabilities::ReducedCapabilities(std::initializer_list<int> which)
{
    if (::geteuid() != 0)
        return;
    __user_cap_data_struct data[2] {};
    if (!capabilities(false, data)) {
        m_ok = false;
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_saved[0] = data[0].effective;
    m_saved[1] = data[1].effective;
    for (int capability : which)
        data[capability / 32].effective &= ~(1u << (capability % 32));
    if (!capabilities(true, data)) {
        m_ok = false;
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_changed = true;
}

ReducedCapabilities::~ReducedCapabilities()
{
    if (!m_changed)
        return;
    __user_cap_data_struct data[2] {};
    if (!capabilities(false, data))
        return;
    data[0].effective = m_saved[0];
    data[1].effective = m_saved[1];
    capabilities(true, data);
}

long long fillLine(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return -1;
    const QByteArray chunk(512, 'x');
    long long total = 0;
    // The terminal moves queued bytes on to the reader's side a moment
    // later, which makes room again: fill until a round finds none.
    for (long long round = -1; round != 0;) {
        round = 0;
        for (qsizetype size : { chunk.size(), qsizetype(1) }) {
            for (;;) {
                const ssize_t n = ::write(fd, chunk.constData(), size_t(size));
                if (n > 0) {
                    round += n;
                    continue;
                }
                if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                    ::fcntl(fd, F_SETFL, flags);
                    return -1;
                }
                break;
            }
        }
        total += round;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::fcntl(fd, F_SETFL, flags);
    return total;
}

int descriptorsOn(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &name : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(fds.filePath(name)).symLinkTarget() == target)
            ++count;
    }
    return count;
}

} // namespace zorvan::test
