#include "content/network_song_source.h"

#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <memory>

namespace zorvan {

namespace {

const QString kNetworkSection = QStringLiteral("Network");

// Request line and headers of an HTTP request: a play-out's GET is a few
// hundred bytes, a browser's under two thousand.
constexpr qsizetype kHttpHeadLimit = 8 * 1024;

bool isLoopback(const QHostAddress &address)
{
    return address.isLoopback();
}

QHttpServerResponse reply(QHttpServerResponse::StatusCode status, const QString &reason = {})
{
    if (reason.isEmpty())
        return QHttpServerResponse(status);
    return QHttpServerResponse(
        QByteArrayLiteral("text/plain; charset=utf-8"), reason.toUtf8() + '\n', status);
}

// The raw query as the peer sent it: QUrl would mend a stray '%' that must
// be refused.
QByteArray rawQuery(const QHttpServerRequest &request)
{
    return request.url().query(QUrl::FullyEncoded).toLatin1();
}

} // namespace

NetworkOptions loadNetworkOptions(const SettingsBackend &store)
{
    NetworkOptions options;
    const auto text = [&store](const char *key) { return store.read(kNetworkSection, QLatin1String(key)); };
    if (const auto value = text("HttpListen"))
        options.httpListen = value->trimmed();
    if (const auto value = text("LineListen"))
        options.lineListen = value->trimmed();
    options.token = text("Token").value_or(QString()).trimmed();
    options.line
        = lineFormat(text("LineSeparator").value_or(QString()), text("LineFields").value_or(QString()));
    return options;
}

void saveNetworkOptions(const NetworkOptions &options, SettingsBackend &store)
{
    store.write(kNetworkSection, QStringLiteral("HttpListen"), options.httpListen);
    store.write(kNetworkSection, QStringLiteral("LineListen"), options.lineListen);
    store.write(kNetworkSection, QStringLiteral("Token"), options.token);
    store.write(kNetworkSection, QStringLiteral("LineSeparator"), options.line.separator);
    store.write(kNetworkSection, QStringLiteral("LineFields"), lineFieldsText(options.line));
}

// A TCP listener that holds its connections to a number and closes the ones
// that stay silent. Qt HTTP Server 6.4 bounds neither, nor the size of a
// request, so its connections come through here too: `headAndBody` bounds
// what a connection may send before it has been answered.
class NetworkSongSource::Listener : public QTcpServer {
public:
    Listener(const NetworkLimits &limits, qsizetype headAndBody, QObject *parent)
        : QTcpServer(parent)
        , m_limits(limits)
        , m_headAndBody(headAndBody)
    {
    }
    int connections() const { return m_connections; }
    // Told of each request refused in the server's place.
    using RefusedHandler = std::function<void(const QString &peer, const QString &reason)>;
    void setRefusedHandler(RefusedHandler handler) { m_refused = std::move(handler); }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        if (m_connections >= m_limits.maxConnections) {
            // Refused at once: a client that opens connections without end
            // finds the service still answering the others.
            socket->abort();
            socket->deleteLater();
            return;
        }
        ++m_connections;
        // An answer goes out in more than one write: without this the
        // second waits for the peer's delayed acknowledgement (40 ms).
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QObject::destroyed, this, [this] { --m_connections; });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto *idle = new QTimer(socket);
        idle->setSingleShot(true);
        idle->setInterval(m_limits.idleMs);
        connect(idle, &QTimer::timeout, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        idle->start();
        connect(socket, &QTcpSocket::bytesWritten, idle, qOverload<>(&QTimer::start));
        if (m_headAndBody > 0)
            guardRequests(socket, idle);
        else
            connect(socket, &QTcpSocket::readyRead, idle, qOverload<>(&QTimer::start));
        addPendingConnection(socket); // QTcpServer says newConnection itself
    }

private:
    // What the HTTP server is about to read of the request in progress:
    // counted since the last answer went out, its request line kept until
    // it is whole.
    struct Request {
        qsizetype received = 0;
        QByteArray firstLine;
        bool lineChecked = false;
    };

    // Connected before the HTTP server's own reader, so it sees each piece
    // first and can answer in the server's place.
    void guardRequests(QTcpSocket *socket, QTimer *idle)
    {
        auto request = std::make_shared<Request>();
        connect(socket, &QTcpSocket::bytesWritten, socket, [request] { *request = Request {}; });
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, idle, request] {
            idle->start();
            const qsizetype available = socket->bytesAvailable();
            request->received += available;
            if (request->received > m_headAndBody) {
                refuse(socket, "413 Payload Too Large", QByteArrayLiteral("request too large"));
                return;
            }
            if (request->lineChecked)
                return;
            request->firstLine += socket->peek(available);
            const qsizetype end = request->firstLine.indexOf("\r\n");
            if (end < 0)
                return;
            request->lineChecked = true;
            // Qt's URL parser mends a stray '%' into "%25"; a song with one
            // was garbled on its way and is refused instead.
            const QList<QByteArray> parts = request->firstLine.left(end).split(' ');
            const QByteArray target = parts.value(1);
            const qsizetype query = target.indexOf('?');
            if (query >= 0 && !percentDecoded(QByteArrayView(target).sliced(query + 1)))
                refuse(socket, "400 Bad Request", QByteArrayLiteral("bad percent-encoding"));
        });
    }

    void refuse(QTcpSocket *socket, const char *status, const QByteArray &reason)
    {
        socket->readAll();
        socket->write(QByteArrayLiteral("HTTP/1.1 ") + status
            + "\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(reason.size() + 1) + "\r\n\r\n" + reason + '\n');
        socket->disconnectFromHost();
        if (m_refused)
            m_refused(socket->peerAddress().toString(), QString::fromLatin1(reason));
    }

    NetworkLimits m_limits;
    qsizetype m_headAndBody;
    int m_connections = 0;
    RefusedHandler m_refused;
};

NetworkSongSource::NetworkSongSource(NetworkLimits limits, QObject *parent)
    : QObject(parent)
    , m_limits(limits)
    , m_announce(new QTimer(this))
{
    // Whoever follows the songs may take its time (save the settings, open
    // the port): the peer's answer is written first, and a burst of songs
    // is told once.
    m_announce->setSingleShot(true);
    m_announce->setInterval(0);
    connect(m_announce, &QTimer::timeout, this, &NetworkSongSource::songArrived);
}

NetworkSongSource::~NetworkSongSource()
{
    stop();
}

void NetworkSongSource::stop()
{
    // The HTTP server goes before its listener: it holds the listener's
    // sockets.
    m_http.reset();
    delete m_httpListener.data();
    delete m_lineListener.data();
    m_udp.reset();
}

bool NetworkSongSource::isListening() const
{
    return m_httpListener || m_lineListener || m_udp;
}

quint16 NetworkSongSource::httpPort() const
{
    return m_httpListener ? m_httpListener->serverPort() : 0;
}

quint16 NetworkSongSource::linePort() const
{
    return m_lineListener ? m_lineListener->serverPort() : 0;
}

int NetworkSongSource::connectionCount() const
{
    return (m_httpListener ? m_httpListener->connections() : 0)
        + (m_lineListener ? m_lineListener->connections() : 0);
}

QStringList NetworkSongSource::listen(const NetworkOptions &options)
{
    stop();
    m_options = options;
    QStringList report;
    const std::pair<const QString *, const char *> inputs[] = {
        { &options.httpListen, "HTTP" },
        { &options.lineListen, "TCP and UDP" },
    };
    for (const auto &[text, name] : inputs) {
        if (text->isEmpty())
            continue;
        const std::optional<ListenAddress> where = parseListenAddress(*text);
        if (!where) {
            report
                << tr("Songs over %1: %2 is no address:port; not listening").arg(QLatin1String(name), *text);
            continue;
        }
        // Off loopback anyone on the network could put text on air.
        if (!isLoopback(where->address) && options.token.isEmpty()) {
            report << tr("Songs over %1: %2 is not a loopback address and [Network] Token is not set; "
                         "not listening")
                          .arg(QLatin1String(name), *text);
            continue;
        }
        if (text == &options.httpListen)
            startHttp(*where, report);
        else
            startLine(*where, report);
    }
    return report;
}

bool NetworkSongSource::authorised(const QHttpServerRequest &request) const
{
    if (m_options.token.isEmpty())
        return true;
    const QByteArray expected = m_options.token.toUtf8();
    const QByteArray header = request.value(QByteArrayLiteral("Authorization"));
    if (header.startsWith("Bearer ") && tokenMatches(header.mid(7).trimmed(), expected))
        return true;
    const QByteArray query = rawQuery(request);
    for (const QByteArray &pair : query.split('&')) {
        if (pair.startsWith("token=")) {
            const std::optional<QByteArray> given = percentDecoded(QByteArrayView(pair).sliced(6));
            return given && tokenMatches(*given, expected);
        }
    }
    return false;
}

bool NetworkSongSource::startHttp(const ListenAddress &where, QStringList &report)
{
    auto *listener = new Listener(m_limits, kHttpHeadLimit + m_limits.maxMessage, this);
    listener->setRefusedHandler([this](const QString &peer, const QString &reason) {
        emit refused(tr("Song refused from HTTP %1: %2").arg(peer, reason));
    });
    if (!listener->listen(where.address, where.port)) {
        report << tr("Songs over HTTP: cannot listen on %1:%2: %3")
                      .arg(where.address.toString())
                      .arg(where.port)
                      .arg(listener->errorString());
        delete listener;
        return false;
    }
    m_httpListener = listener;
    m_http = std::make_unique<QHttpServer>();
    m_http->route(QStringLiteral("/nowplaying"), [this](const QHttpServerRequest &request) {
        using Status = QHttpServerResponse::StatusCode;
        const auto method = request.method();
        if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Post) {
            QHttpServerResponse response
                = reply(Status::MethodNotAllowed, QStringLiteral("GET or POST only"));
            response.setHeader(QByteArrayLiteral("Allow"), QByteArrayLiteral("GET, POST"));
            return response;
        }
        if (!authorised(request))
            return reply(Status::Unauthorized, QStringLiteral("token missing or wrong"));
        const QString peer = QStringLiteral("HTTP ") + request.remoteAddress().toString();
        NetworkParse parsed;
        if (method == QHttpServerRequest::Method::Get) {
            parsed = songFromQuery(rawQuery(request));
        } else {
            if (request.body().size() > m_limits.maxMessage)
                return reply(
                    Status::PayloadTooLarge, QStringLiteral("body over %1 bytes").arg(m_limits.maxMessage));
            parsed = songFromBody(request.value(QByteArrayLiteral("Content-Type")), request.body());
        }
        if (!parsed.song) {
            emit refused(tr("Song refused from %1: %2").arg(peer, parsed.error));
            return reply(Status::BadRequest, parsed.error);
        }
        take(*parsed.song, peer);
        return QHttpServerResponse(Status::NoContent);
    });
    const auto view = [this](const QString &path, const QHttpServerRequest &request) {
        using Status = QHttpServerResponse::StatusCode;
        if (request.method() != QHttpServerRequest::Method::Get)
            return reply(Status::MethodNotAllowed, QStringLiteral("GET only"));
        if (!authorised(request))
            return reply(Status::Unauthorized, QStringLiteral("token missing or wrong"));
        const std::optional<ViewResponse> page = m_view ? m_view(path) : std::nullopt;
        if (!page)
            return reply(Status::NotFound);
        QHttpServerResponse response(page->contentType, page->body);
        response.setHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-store"));
        return response;
    };
    m_http->route(QStringLiteral("/"),
        [view](const QHttpServerRequest &request) { return view(QStringLiteral("/"), request); });
    m_http->route(QStringLiteral("/status"),
        [view](const QHttpServerRequest &request) { return view(QStringLiteral("/status"), request); });
    m_http->afterRequest([](QHttpServerResponse &&response) {
        response.setHeader(QByteArrayLiteral("X-Content-Type-Options"), QByteArrayLiteral("nosniff"));
        return std::move(response);
    });
    m_http->bind(listener);
    report << tr("Listening for songs over HTTP on %1:%2")
                  .arg(where.address.toString())
                  .arg(listener->serverPort());
    return true;
}

bool NetworkSongSource::startLine(const ListenAddress &where, QStringList &report)
{
    auto *listener = new Listener(m_limits, 0, this);
    if (!listener->listen(where.address, where.port)) {
        report << tr("Songs over TCP: cannot listen on %1:%2: %3")
                      .arg(where.address.toString())
                      .arg(where.port)
                      .arg(listener->errorString());
        delete listener;
        return false;
    }
    m_lineListener = listener;
    connect(listener, &QTcpServer::newConnection, this, [this, listener] {
        while (QTcpSocket *socket = listener->nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readLines(socket); });
        }
    });
    // The same port number for UDP, as play-outs are set to one port.
    const quint16 port = listener->serverPort();
    m_udp = std::make_unique<QUdpSocket>();
    if (!m_udp->bind(where.address, port)) {
        report << tr("Songs over UDP: cannot listen on %1:%2: %3")
                      .arg(where.address.toString())
                      .arg(port)
                      .arg(m_udp->errorString());
        m_udp.reset();
    } else {
        connect(m_udp.get(), &QUdpSocket::readyRead, this, &NetworkSongSource::readDatagrams);
    }
    report << tr("Listening for songs over TCP%1 on %2:%3")
                  .arg(m_udp ? QStringLiteral(" and UDP") : QString(), where.address.toString())
                  .arg(port);
    return true;
}

void NetworkSongSource::readLines(QTcpSocket *socket)
{
    // What has come of the line in progress waits in the socket's buffer;
    // only whole lines are taken out.
    const QString peer = QStringLiteral("TCP ") + socket->peerAddress().toString();
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(m_limits.maxMessage + 2);
        if (!line.endsWith('\n')) {
            emit refused(tr("Song refused from %1: line over %2 bytes").arg(peer).arg(m_limits.maxMessage));
            socket->abort();
            return;
        }
        if (line.trimmed().isEmpty())
            continue; // a blank line keeps a connection alive; it is no song
        const NetworkParse parsed = songFromLine(line, m_options.line);
        if (parsed.song)
            take(*parsed.song, peer);
        else
            emit refused(tr("Song refused from %1: %2").arg(peer, parsed.error));
    }
    if (socket->bytesAvailable() > m_limits.maxMessage) {
        emit refused(tr("Song refused from %1: line over %2 bytes").arg(peer).arg(m_limits.maxMessage));
        socket->abort();
    }
}

void NetworkSongSource::readDatagrams()
{
    while (m_udp && m_udp->hasPendingDatagrams()) {
        const qint64 size = m_udp->pendingDatagramSize();
        if (size > m_limits.maxMessage) {
            const QNetworkDatagram dropped = m_udp->receiveDatagram(0);
            emit refused(tr("Song refused from UDP %1: datagram over %2 bytes")
                             .arg(dropped.senderAddress().toString())
                             .arg(m_limits.maxMessage));
            continue;
        }
        const QNetworkDatagram datagram = m_udp->receiveDatagram(m_limits.maxMessage);
        const QString peer = QStringLiteral("UDP ") + datagram.senderAddress().toString();
        if (datagram.data().trimmed().isEmpty())
            continue;
        const NetworkParse parsed = songFromLine(datagram.data(), m_options.line);
        if (parsed.song)
            take(*parsed.song, peer);
        else
            emit refused(tr("Song refused from %1: %2").arg(peer, parsed.error));
    }
}

void NetworkSongSource::take(const NetworkSong &song, const QString &peer)
{
    m_song = song;
    m_songPeer = peer;
    m_songTime = QDateTime::currentDateTime();
    if (!m_announce->isActive())
        m_announce->start();
}

} // namespace zorvan
