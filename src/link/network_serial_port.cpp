#include "link/network_serial_port.h"

#if !defined(_WIN32)

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/sockios.h>
#endif

namespace zorvan {

namespace {

using Clock = std::chrono::steady_clock;

// How often the send queue is looked at while draining.
constexpr std::chrono::milliseconds kDrainPoll { 5 };
// How long an orderly close waits for the server to end its side.
constexpr std::chrono::milliseconds kCloseWait { 1000 };
// A Telnet server answers the greeting's offers at once; one that has said
// nothing after this long passes bytes through as they come.
constexpr std::chrono::milliseconds kTelnetAnswerWait { 1500 };

struct Address {
    sockaddr_storage storage {};
    socklen_t length = 0;
};

struct Resolved {
    std::vector<Address> addresses;
    OpenOutcome failure = OpenOutcome::Ok;
};

int remainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

std::vector<Address> copyAddresses(const addrinfo *list)
{
    std::vector<Address> out;
    for (const addrinfo *a = list; a; a = a->ai_next) {
        if (a->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        Address address;
        std::memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
        address.length = a->ai_addrlen;
        out.push_back(address);
    }
    return out;
}

int lookUp(const QByteArray &host, const QByteArray &service, int flags, std::vector<Address> &out)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    addrinfo *list = nullptr;
    const int error = ::getaddrinfo(host.constData(), service.constData(), &hints, &list);
    if (error == 0) {
        out = copyAddresses(list);
        ::freeaddrinfo(list);
    }
    return error;
}

// What a lookup left behind for the thread that waits for it.
struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    int error = 0;
    std::vector<Address> addresses;
};

Resolved resolve(const NetworkDevice &device, Clock::time_point deadline)
{
    const QByteArray host = device.host.toUtf8();
    const QByteArray service = QByteArray::number(device.port);
    Resolved resolved;
    if (lookUp(host, service, AI_NUMERICHOST, resolved.addresses) == 0)
        return resolved;

    // getaddrinfo() has no time limit of its own and a silent name server
    // holds it for half a minute, so it runs on a thread that is left
    // behind when the connect time is over.
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, service] {
        std::vector<Address> addresses;
        const int error = lookUp(host, service, 0, addresses);
        std::lock_guard lock(lookup->mutex);
        lookup->error = error;
        lookup->addresses = std::move(addresses);
        lookup->done = true;
        lookup->finished.notify_all();
    }).detach();

    std::unique_lock lock(lookup->mutex);
    if (!lookup->finished.wait_until(lock, deadline, [&] { return lookup->done; })) {
        resolved.failure = OpenOutcome::HostUnknown;
        return resolved;
    }
    if (lookup->error != 0 || lookup->addresses.empty()) {
        resolved.failure = OpenOutcome::HostUnknown;
        return resolved;
    }
    resolved.addresses = std::move(lookup->addresses);
    return resolved;
}

// A connected non-blocking socket, or -1 with `error` set.
int connectTo(const Address &address, Clock::time_point deadline, int &error)
{
    const int fd = ::socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address.storage), address.length) == 0)
        return fd;
    error = errno;
    if (error == EINPROGRESS) {
        error = ETIMEDOUT;
        for (;;) {
            const int ms = remainingMs(deadline);
            if (ms == 0)
                break;
            pollfd p { fd, POLLOUT, 0 };
            const int r = ::poll(&p, 1, ms);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                continue;
            int soError = 0;
            socklen_t length = sizeof soError;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) != 0)
                soError = errno;
            if (soError == 0)
                return fd;
            error = soError;
            break;
        }
    }
    ::close(fd);
    return -1;
}

bool connectionGone(int error)
{
    return error == ECONNRESET || error == EPIPE || error == ETIMEDOUT || error == ENOTCONN
        || error == EHOSTUNREACH || error == ENETUNREACH || error == ECONNABORTED;
}

} // namespace

NetworkSerialPort::~NetworkSerialPort()
{
    close();
}

OpenOutcome NetworkSerialPort::open(const QString &device, const std::optional<LineSettings> &line)
{
    close();
    const LineSettings wanted = line.value_or(m_line);
    const std::optional<NetworkDevice> server = parseNetworkDevice(device);
    if (!server)
        return OpenOutcome::Missing;

    const auto deadline = Clock::now() + m_connectTimeout;
    const Resolved resolved = resolve(*server, deadline);
    if (resolved.failure != OpenOutcome::Ok)
        return resolved.failure;

    // One refusal among the addresses of a name tells more than a timeout:
    // the host is there, nothing listens on the port.
    bool refused = false;
    for (const Address &address : resolved.addresses) {
        int error = 0;
        m_fd = connectTo(address, deadline, error);
        if (m_fd >= 0)
            break;
        refused = refused || error == ECONNREFUSED;
    }
    if (m_fd < 0)
        return refused ? OpenOutcome::Refused : OpenOutcome::Unreachable;

    const int on = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    m_device = *server;
    m_telnet = TelnetComPort();
    m_queue.clear();

    if (m_device.protocol == NetworkDevice::Protocol::Rfc2217) {
        m_queue = m_telnet.greeting();
        WriteOutcome sent = pump(std::min(deadline, Clock::now() + kTelnetAnswerWait),
            [this] { return m_queue.isEmpty() && m_telnet.comPortAnswered(); });
        if (sent == WriteOutcome::TimedOut && !m_telnet.heardTelnet()) {
            // A raw port: what goes on the connection reaches the board as it
            // is, so no line settings and no frames follow the greeting.
            close();
            return OpenOutcome::NotRfc2217;
        }
        // A Telnet server that does not answer the COM-port offer is given
        // the settings all the same: it may act on them without saying so.
        if (sent == WriteOutcome::Ok || sent == WriteOutcome::TimedOut) {
            if (!m_telnet.comPortAnswered() || m_telnet.comPortAccepted())
                m_queue += TelnetComPort::lineCommands(wanted);
            sent = pump(deadline, [this] { return m_queue.isEmpty(); });
        }
        if (sent != WriteOutcome::Ok) {
            close();
            // A server that hangs up at once is turning the client away: its
            // device is held by another client or cannot be opened.
            return sent == WriteOutcome::TimedOut ? OpenOutcome::Unreachable : OpenOutcome::Refused;
        }
    }
    m_line = wanted;
    m_pendingOutput = false;
    return OpenOutcome::Ok;
}

template <typename Done>
WriteOutcome NetworkSerialPort::pump(Clock::time_point deadline, Done done, std::chrono::milliseconds slice)
{
    for (;;) {
        if (done())
            return WriteOutcome::Ok;
        const int ms = remainingMs(deadline);
        if (ms == 0)
            return WriteOutcome::TimedOut;
        pollfd p { m_fd, short(POLLIN | (m_queue.isEmpty() ? 0 : POLLOUT)), 0 };
        const int r = ::poll(&p, 1, std::min(ms, int(slice.count())));
        if (r < 0 && errno != EINTR)
            return WriteOutcome::Failed;
        if (r <= 0)
            continue;
        if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
            const WriteOutcome read = readAvailable();
            if (read != WriteOutcome::Ok)
                return read;
        }
        if (p.revents & POLLOUT) {
            const WriteOutcome sent = sendQueued();
            if (sent != WriteOutcome::Ok)
                return sent;
        }
    }
}

WriteOutcome NetworkSerialPort::readAvailable()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            if (m_device.protocol == NetworkDevice::Protocol::Rfc2217)
                m_queue += m_telnet.receive(QByteArray::fromRawData(buffer, qsizetype(n)));
            continue;
        }
        if (n == 0)
            return WriteOutcome::Dropped;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return WriteOutcome::Ok;
        return connectionGone(errno) ? WriteOutcome::Dropped : WriteOutcome::Failed;
    }
}

WriteOutcome NetworkSerialPort::sendQueued()
{
    while (!m_queue.isEmpty()) {
        const ssize_t n
            = ::send(m_fd, m_queue.constData(), std::size_t(m_queue.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            m_queue.remove(0, qsizetype(n));
            m_pendingOutput = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return WriteOutcome::Ok;
        return connectionGone(errno) ? WriteOutcome::Dropped : WriteOutcome::Failed;
    }
    return WriteOutcome::Ok;
}

WriteOutcome NetworkSerialPort::write(const QByteArray &bytes, std::chrono::milliseconds timeout)
{
    if (m_fd < 0)
        return WriteOutcome::Failed;
    m_queue += m_device.protocol == NetworkDevice::Protocol::Rfc2217 ? TelnetComPort::escape(bytes) : bytes;
    return pump(Clock::now() + timeout, [this] { return m_queue.isEmpty(); });
}

WriteOutcome NetworkSerialPort::drain(std::chrono::milliseconds timeout)
{
    if (m_fd < 0)
        return WriteOutcome::Failed;
    bool queryFailed = false;
    const WriteOutcome drained = pump(
        Clock::now() + timeout,
        [&] {
            if (!m_queue.isEmpty())
                return false;
#if defined(SIOCOUTQ)
            // Bytes still unacknowledged by the server's end.
            int queued = 0;
            if (::ioctl(m_fd, SIOCOUTQ, &queued) != 0) {
                queryFailed = true;
                return true;
            }
            return queued == 0;
#else
            return true;
#endif
        },
        kDrainPoll);
    if (queryFailed)
        return WriteOutcome::Failed;
    if (drained == WriteOutcome::Ok)
        m_pendingOutput = false;
    return drained;
}

void NetworkSerialPort::close()
{
    if (m_fd < 0)
        return;
    if (m_pendingOutput) {
        // A reset rather than an orderly end: the bytes a stuck server has
        // not taken must not reach the board late.
        const linger abort { 1, 0 };
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    } else {
        // Unread input would also turn the close into a reset, and a reset
        // may cost the server bytes it has taken but not yet passed on.
        char buffer[4096];
        while (::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) { }
        ::shutdown(m_fd, SHUT_WR);
        // A device server that has only just opened its serial device when
        // the connection ends can drop what it took in the meantime: the
        // end is waited for until the server closes its side (it has passed
        // the bytes on), for a moment at most.
        const auto deadline = Clock::now() + kCloseWait;
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                break;
            pollfd p { m_fd, POLLIN, 0 };
            const int ready = ::poll(&p, 1, static_cast<int>(left));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break;
            const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got <= 0 && !(got < 0 && (errno == EAGAIN || errno == EINTR)))
                break; // the server's end, or the connection gone
        }
    }
    ::close(m_fd);
    m_fd = -1;
    m_queue.clear();
    m_pendingOutput = false;
}

} // namespace zorvan

#endif
