#include "fault_privileges.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

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
    for (;;) {
        const ssize_t n = ::write(fd, chunk.constData(), size_t(chunk.size()));
        if (n > 0) {
            total += n;
            continue;
        }
        const bool full = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        ::fcntl(fd, F_SETFL, flags);
        return full ? total : -1;
    }
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
