#include "player/mpris_transport.h"

#include "player/mpris_values.h"

#include "player/cls_winamp.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zorvan {

namespace {

const QString kTrackListInterface = QStringLiteral("org.mpris.MediaPlayer2.TrackList");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

constexpr qint32 kMprisVersion = 0x2020;
constexpr qint32 kAskVolume = -666;

constexpr qint32 kCommandPrevious = 40044;
constexpr qint32 kCommandPlay = 40045;
constexpr qint32 kCommandPause = 40046;
constexpr qint32 kCommandStop = 40047;
constexpr qint32 kCommandNext = 40048;

qint32 clampToAnswer(qint64 value)
{
    return static_cast<qint32>(
        std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

QString objectPathText(const QVariant &value)
{
    if (value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

MprisPlayerTransport::MprisPlayerTransport() = default;

MprisPlayerTransport::MprisPlayerTransport(const QDBusConnection &connection)
    : m_connection(connection)
{
}

QDBusConnection &MprisPlayerTransport::connection()
{
    if (!m_connection)
        m_connection = QDBusConnection::sessionBus();
    return *m_connection;
}

WindowHandle MprisPlayerTransport::findWindow(const QString &className)
{
    if (className != kWinampV1Class && className != kStudioClass)
        return 0;
    QDBusConnection &bus = connection();
    if (!bus.isConnected() || !bus.interface())
        return 0;
    const QDBusReply<QStringList> names = bus.interface()->registeredServiceNames();
    if (!names.isValid())
        return 0;
    QStringList players;
    for (const QString &name : names.value()) {
        if (name.startsWith(kMprisBusPrefix))
            players << name;
    }
    if (players.isEmpty())
        return 0;
    players.sort();
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(players.first());
    if (!owner.isValid() || owner.value().isEmpty())
        return 0;
    for (const auto &[handle, player] : m_players) {
        if (player.busName == players.first() && player.uniqueName == owner.value())
            return handle;
    }
    const WindowHandle handle = ++m_lastHandle;
    m_players.emplace(handle, Player { players.first(), owner.value() });
    return handle;
}

std::optional<QString> MprisPlayerTransport::liveService(WindowHandle window)
{
    const auto found = m_players.find(window);
    if (found == m_players.end())
        return std::nullopt;
    QDBusConnection &bus = connection();
    if (!bus.isConnected() || !bus.interface())
        return std::nullopt;
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(found->second.busName);
    if (!owner.isValid() || owner.value() != found->second.uniqueName) {
        // Gone for good: a player that comes back is a new window.
        m_players.erase(found);
        return std::nullopt;
    }
    return found->second.uniqueName;
}

QVariant MprisPlayerTransport::property(const QString &service, const QString &interface, const QString &name)
{
    QDBusMessage request
        = QDBusMessage::createMethodCall(service, kMprisObjectPath, kDBusPropertiesInterface, "Get");
    request << interface << name;
    const QDBusMessage reply = connection().call(request, QDBus::Block, m_timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return unwrapDBusValue(reply.arguments().first());
}

bool MprisPlayerTransport::setProperty(
    const QString &service, const QString &interface, const QString &name, const QVariant &value)
{
    QDBusMessage request
        = QDBusMessage::createMethodCall(service, kMprisObjectPath, kDBusPropertiesInterface, "Set");
    request << interface << name << QVariant::fromValue(QDBusVariant(value));
    return connection().call(request, QDBus::Block, m_timeoutMs).type() == QDBusMessage::ReplyMessage;
}

bool MprisPlayerTransport::call(
    const QString &service, const QString &interface, const QString &method, const QVariantList &arguments)
{
    QDBusMessage request = QDBusMessage::createMethodCall(service, kMprisObjectPath, interface, method);
    request.setArguments(arguments);
    return connection().call(request, QDBus::Block, m_timeoutMs).type() == QDBusMessage::ReplyMessage;
}

QVariantMap MprisPlayerTransport::metadata(const QString &service)
{
    return dbusMap(property(service, kMprisPlayerInterface, QStringLiteral("Metadata")));
}

qint64 MprisPlayerTransport::positionUs(const QString &service)
{
    return property(service, kMprisPlayerInterface, QStringLiteral("Position")).toLongLong();
}

QStringList MprisPlayerTransport::trackIds(const QString &service)
{
    if (!property(service, kMprisRootInterface, QStringLiteral("HasTrackList")).toBool())
        return {};
    const QVariant value = property(service, kTrackListInterface, QStringLiteral("Tracks"));
    QStringList ids;
    if (value.userType() == qMetaTypeId<QDBusArgument>()) {
        QList<QDBusObjectPath> paths;
        value.value<QDBusArgument>() >> paths;
        for (const QDBusObjectPath &path : paths)
            ids << path.path();
    } else if (value.userType() == qMetaTypeId<QList<QDBusObjectPath>>()) {
        for (const QDBusObjectPath &path : value.value<QList<QDBusObjectPath>>())
            ids << path.path();
    }
    return ids;
}

qint32 MprisPlayerTransport::playbackState(const QString &service)
{
    const QString status
        = property(service, kMprisPlayerInterface, QStringLiteral("PlaybackStatus")).toString();
    if (status == QLatin1String("Playing"))
        return 1;
    if (status == QLatin1String("Paused"))
        return 3;
    return 0;
}

qint32 MprisPlayerTransport::sendMessage(WindowHandle window, quint32 message, qint32 wParam, qint32 lParam)
{
    const std::optional<QString> service = liveService(window);
    if (!service)
        return 0;
    if (message == kWmCommand)
        return command(*service, wParam);
    if (message == kWmUser)
        return userRequest(*service, wParam, lParam);
    return 0;
}

qint32 MprisPlayerTransport::command(const QString &service, qint32 commandId)
{
    switch (commandId) {
    case kCloseCommand:
        call(service, kMprisRootInterface, QStringLiteral("Quit"));
        break;
    case kCommandPrevious:
        call(service, kMprisPlayerInterface, QStringLiteral("Previous"));
        break;
    case kCommandPlay:
        call(service, kMprisPlayerInterface, QStringLiteral("Play"));
        break;
    case kCommandPause:
        call(service, kMprisPlayerInterface, QStringLiteral("PlayPause"));
        break;
    case kCommandStop:
        call(service, kMprisPlayerInterface, QStringLiteral("Stop"));
        break;
    case kCommandNext:
        call(service, kMprisPlayerInterface, QStringLiteral("Next"));
        break;
    default:
        break;
    }
    return 0;
}

qint32 MprisPlayerTransport::userRequest(const QString &service, qint32 wParam, qint32 lParam)
{
    switch (lParam) {
    case 0:
        return kMprisVersion;
    case 104:
        return playbackState(service);
    case 105: {
        if (wParam == 0)
            return clampToAnswer(positionUs(service) / 1000);
        const QVariant length = metadata(service).value(QStringLiteral("mpris:length"));
        // The player's own answer for "no length known".
        if (!length.isValid())
            return -1;
        if (wParam == 1)
            return clampToAnswer(length.toLongLong() / 1000000);
        if (wParam == 2)
            return clampToAnswer(length.toLongLong() / 1000);
        return 0;
    }
    case 106: {
        const qint64 targetUs = qint64(wParam) * 1000;
        const QString track = objectPathText(metadata(service).value(QStringLiteral("mpris:trackid")));
        if (!track.isEmpty() && track != kNoTrack) {
            call(service, kMprisPlayerInterface, QStringLiteral("SetPosition"),
                { QVariant::fromValue(QDBusObjectPath(track)), QVariant::fromValue(qlonglong(targetUs)) });
        } else {
            call(service, kMprisPlayerInterface, QStringLiteral("Seek"),
                { QVariant::fromValue(qlonglong(targetUs - positionUs(service))) });
        }
        return 0;
    }
    case 121: {
        const QStringList tracks = trackIds(service);
        if (wParam >= 0 && wParam < tracks.size())
            call(service, kTrackListInterface, QStringLiteral("GoTo"),
                { QVariant::fromValue(QDBusObjectPath(tracks.at(wParam))) });
        return 0;
    }
    case 122: {
        if (wParam == kAskVolume) {
            const double volume
                = property(service, kMprisPlayerInterface, QStringLiteral("Volume")).toDouble();
            return static_cast<qint32>(std::lround(std::clamp(volume, 0.0, 1.0) * 255));
        }
        setProperty(
            service, kMprisPlayerInterface, QStringLiteral("Volume"), std::clamp(wParam, 0, 255) / 255.0);
        return 0;
    }
    case 125: {
        const QString track = objectPathText(metadata(service).value(QStringLiteral("mpris:trackid")));
        return std::max<qint32>(0, static_cast<qint32>(trackIds(service).indexOf(track)));
    }
    default:
        return 0;
    }
}

QString MprisPlayerTransport::windowText(WindowHandle window, int bufferSize)
{
    const std::optional<QString> service = liveService(window);
    if (!service || bufferSize <= 0)
        return {};

    QString identity = property(*service, kMprisRootInterface, QStringLiteral("Identity")).toString();
    if (identity.isEmpty())
        identity = QStringLiteral("Media player");

    const QVariantMap data = metadata(*service);
    QString title = data.value(QStringLiteral("xesam:title")).toString();
    if (title.isEmpty()) {
        const QUrl url(data.value(QStringLiteral("xesam:url")).toString());
        title = QFileInfo(url.path()).completeBaseName();
    }
    const QString artist
        = dbusTextList(data.value(QStringLiteral("xesam:artist"))).join(QStringLiteral(", "));

    QString caption;
    if (title.isEmpty() && artist.isEmpty()) {
        // Nothing loaded: the window shows the player's name alone.
        caption = identity;
    } else {
        const QString song = artist.isEmpty() ? title
            : title.isEmpty()                 ? artist
                                              : artist + QStringLiteral(" - ") + title;
        // The caption always starts with the playlist number, so a dot
        // early in an artist's name is never taken for it.
        const QString track = objectPathText(data.value(QStringLiteral("mpris:trackid")));
        const qsizetype index = trackIds(*service).indexOf(track);
        caption = QStringLiteral("%1. %2 - %3").arg(index < 0 ? 1 : index + 1).arg(song, identity);
        switch (playbackState(*service)) {
        case 3:
            caption += QStringLiteral(" (paused)");
            break;
        case 0:
            caption += QStringLiteral(" (stopped)");
            break;
        default:
            break;
        }
    }
    caption.truncate(bufferSize - 1);
    return caption;
}

} // namespace zorvan
