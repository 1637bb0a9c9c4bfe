#include "instance_channel.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace zorvan {

namespace {

constexpr int kAnswerMs = 2000;

QString channelName(const QString &settingsFilePath)
{
    const QByteArray path = QFileInfo(settingsFilePath).absoluteFilePath().toUtf8();
    return QStringLiteral("zorvan-")
        + QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex().left(16));
}

} // namespace

InstanceChannel::InstanceChannel(const QString &settingsFilePath, Kind kind, QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
    , m_kind(kind)
{
    const QString name = channelName(settingsFilePath);
    // This process holds the instance lock, so a socket of that name is left
    // over from a crashed run.
    QLocalServer::removeServer(name);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->listen(name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            socket->write(m_kind == Kind::Window ? "window\n" : "service\n");
            socket->flush();
            socket->disconnectFromServer();
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (m_kind == Kind::Window)
                emit comeForward();
        }
    });
}

InstanceChannel::~InstanceChannel() = default;

std::optional<InstanceChannel::Kind> InstanceChannel::askRunning(const QString &settingsFilePath)
{
    QLocalSocket socket;
    socket.connectToServer(channelName(settingsFilePath));
    if (!socket.waitForConnected(kAnswerMs))
        return std::nullopt;
    if (!socket.canReadLine() && !socket.waitForReadyRead(kAnswerMs))
        return std::nullopt;
    const QByteArray answer = socket.readLine().trimmed();
    if (answer == "window")
        return Kind::Window;
    if (answer == "service")
        return Kind::Service;
    return std::nullopt;
}

} // namespace zorvan
