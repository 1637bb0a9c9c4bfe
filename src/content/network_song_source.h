#pragma once

#include "content/network_song.h"
#include "settings/settings_backend.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QHttpServer;
class QHttpServerRequest;
class QTcpServer;
class QTcpSocket;
class QTimer;
class QUdpSocket;

namespace zorvan {

// The [Network] section: where the song inputs listen and what they ask of
// a peer.
struct NetworkOptions {
    QString httpListen = QStringLiteral("127.0.0.1:8470"); // empty: off
    QString lineListen = QStringLiteral("127.0.0.1:8471"); // TCP and UDP; empty: off
    QString token; // needed by every listener off loopback
    LineFormat line;
    bool operator==(const NetworkOptions &) const = default;
};

NetworkOptions loadNetworkOptions(const SettingsBackend &store);
void saveNetworkOptions(const NetworkOptions &options, SettingsBackend &store);

// What a listener holds itself to; the defaults are the service's.
struct NetworkLimits {
    int maxConnections = 32; // per listener
    int idleMs = 60 * 1000; // a connection silent this long is closed
    qsizetype maxMessage = kNetworkMessageLimit;
};

// A view served beside /nowplaying on the HTTP listener (the web page and
// its /status): the body and its content type for a GET path, or nothing
// (404). The listener checks the token before it asks.
struct ViewResponse {
    QByteArray contentType;
    QByteArray body;
};
using NetworkView = std::function<std::optional<ViewResponse>(const QString &path)>;

// The song from the network: HTTP requests (Qt HTTP Server), lines over TCP
// and datagrams over UDP (Qt Network), each parsed into the same NetworkSong
// and kept as the newest one. It only listens where it was told to, and a
// listener off loopback only with a token. Every size and count is bounded:
// bodies, lines and datagrams by NetworkLimits::maxMessage, connections by
// number and by idle time.
class NetworkSongSource : public QObject {
    Q_OBJECT

public:
    explicit NetworkSongSource(NetworkLimits limits = {}, QObject *parent = nullptr);
    ~NetworkSongSource() override;

    // Stops what listens and starts the listeners of `options`. Returns one
    // line for the log per listener: where it listens, or why it does not.
    QStringList listen(const NetworkOptions &options);
    void stop();
    bool isListening() const;
    // The ports bound (port 0 in the options picks a free one); 0: none.
    quint16 httpPort() const;
    quint16 linePort() const;

    void setView(NetworkView view) { m_view = std::move(view); }

    // The newest song; std::nullopt until one came.
    std::optional<NetworkSong> song() const { return m_song; }
    // Where and when it came from: "HTTP 192.168.1.5".
    QString songPeer() const { return m_songPeer; }
    QDateTime songTime() const { return m_songTime; }
    // Live connections over both listeners.
    int connectionCount() const;

signals:
    // A song came (perhaps the same as before: a play-out may repeat it),
    // said once for the songs of one turn of the event loop, after the
    // answers to their peers have gone out.
    void songArrived();
    // A message was refused; one line, for the log.
    void refused(const QString &why);

private:
    class Listener;

    bool startHttp(const ListenAddress &where, QStringList &report);
    bool startLine(const ListenAddress &where, QStringList &report);
    void take(const NetworkSong &song, const QString &peer);
    void readLines(QTcpSocket *socket);
    void readDatagrams();
    bool authorised(const QHttpServerRequest &request) const;

    NetworkLimits m_limits;
    NetworkOptions m_options;
    NetworkView m_view;
    std::unique_ptr<QHttpServer> m_http;
    QPointer<Listener> m_httpListener;
    QPointer<Listener> m_lineListener;
    std::unique_ptr<QUdpSocket> m_udp;
    std::optional<NetworkSong> m_song;
    QString m_songPeer;
    QDateTime m_songTime;
    QTimer *m_announce;
};

} // namespace zorvan
