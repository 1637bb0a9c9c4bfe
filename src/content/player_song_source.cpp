#include "content/player_song_source.h"

#include "player/mpris_values.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <memory>

namespace zorvan {

namespace {

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

const QString kStatus = QStringLiteral("PlaybackStatus");
const QString kMetadata = QStringLiteral("Metadata");
const QString kPlaying = QStringLiteral("Playing");
const QString kPaused = QStringLiteral("Paused");
const QString kArtist = QStringLiteral("xesam:artist");
const QString kTitle = QStringLiteral("xesam:title");
const QString kUrl = QStringLiteral("xesam:url");
const QString kTrackId = QStringLiteral("mpris:trackid");

// A connection of its own rather than Qt's default one, whose first use
// would connect on the caller's thread.
const QString kBusConnectionName = QStringLiteral("zorvan-player-source");

std::atomic<int> g_busAttempts { 0 };

QString trackOf(const QVariantMap &metadata)
{
    const QString url = metadata.value(kUrl).toString();
    return url.isEmpty() ? metadata.value(kTrackId).toString() : url;
}

} // namespace

bool titleIsOnlyFileName(const QVariantMap &metadata)
{
    for (const QString &artist : dbusTextList(metadata.value(kArtist))) {
        if (!artist.trimmed().isEmpty())
            return false;
    }
    const QString title = metadata.value(kTitle).toString().trimmed();
    const QString url = metadata.value(kUrl).toString();
    if (title.isEmpty() || url.isEmpty())
        return false;
    const QUrl parsed(url);
    const QString name = parsed.scheme().isEmpty() ? QFileInfo(url).fileName() : parsed.fileName();
    return title.compare(name, Qt::CaseInsensitive) == 0;
}

QStringList playerSongFields(const QString &playbackStatus, const QVariantMap &metadata)
{
    if (playbackStatus != kPlaying && playbackStatus != kPaused)
        return {};
    QStringList artists;
    for (const QString &artist : dbusTextList(metadata.value(kArtist))) {
        if (!artist.simplified().isEmpty())
            artists << artist.simplified();
    }
    const QString artist = artists.join(QStringLiteral(", "));
    const QString title = metadata.value(kTitle).toString().simplified();
    QStringList fields;
    if (!artist.isEmpty())
        fields << artist;
    if (!title.isEmpty())
        fields << title;
    return fields;
}

QString playerSongLine(const QStringList &fields)
{
    return fields.join(QStringLiteral(" - "));
}

PlayerSongSource::PlayerSongSource(QObject *parent)
    : QObject(parent)
    , m_connection(QString())
{
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &PlayerSongSource::onQuiet);
    // Connecting waits for the bus's answer to the first message, and
    // libdbus waits 25 s for it: the attempt runs on a thread that may be
    // left waiting. The thread ends on its own and is deleted then, even
    // when this source has gone first.
    auto connection = std::make_shared<QDBusConnection>(QString());
    ++g_busAttempts;
    QThread *attempt = QThread::create([connection] {
        *connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kBusConnectionName);
        --g_busAttempts;
    });
    connect(attempt, &QThread::finished, attempt, &QObject::deleteLater);
    connect(attempt, &QThread::finished, this, [this, connection] {
        m_connection = *connection;
        if (!m_connection.isConnected()) {
            emit noBus();
            return;
        }
        start();
    });
    attempt->start();
}

PlayerSongSource::PlayerSongSource(const QDBusConnection &connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
{
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &PlayerSongSource::onQuiet);
    start();
}

PlayerSongSource::~PlayerSongSource() = default;

bool PlayerSongSource::busStillConnecting()
{
    return g_busAttempts.load() > 0;
}

QString PlayerSongSource::shortName(const QString &busName)
{
    return busName.mid(kMprisBusPrefix.size());
}

void PlayerSongSource::start()
{
    // A service run as a system unit has no session bus: it simply follows
    // no player, and there is nothing to retry on a bus that is not there.
    if (!m_connection.isConnected())
        return;
    // Qt 6.4's QDBusServiceWatcher watches whole names only, so the bus's
    // own NameOwnerChanged is followed and filtered here.
    m_connection.connect(kBusService, kBusPath, kBusService, QStringLiteral("NameOwnerChanged"), this,
        SLOT(onOwnerChanged(QString, QString, QString)));
    // Any sender: the signal's sender is matched to its player by the unique
    // name that the player's state arrived from.
    m_connection.connect(QString(), kMprisObjectPath, kDBusPropertiesInterface,
        QStringLiteral("PropertiesChanged"), this, SLOT(onPropertiesChanged(QDBusMessage)));
    listPlayers();
}

QDBusPendingCallWatcher *PlayerSongSource::send(const QDBusMessage &message)
{
    return new QDBusPendingCallWatcher(m_connection.asyncCall(message, kPlayerCallTimeoutMs), this);
}

void PlayerSongSource::listPlayers()
{
    auto *watcher = send(
        QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, QStringLiteral("ListNames")));
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        const Snapshot before = snapshot();
        for (const QString &name : reply.arguments().first().toStringList()) {
            if (name.startsWith(kMprisBusPrefix) && !m_players.count(name)) {
                m_players[name];
                readPlayer(name);
                readIdentity(name);
            }
        }
        settle(before);
    });
}

void PlayerSongSource::readPlayer(const QString &busName)
{
    QDBusMessage request = QDBusMessage::createMethodCall(
        busName, kMprisObjectPath, kDBusPropertiesInterface, QStringLiteral("GetAll"));
    request << kMprisPlayerInterface;
    connect(send(request), &QDBusPendingCallWatcher::finished, this,
        [this, busName](QDBusPendingCallWatcher *call) {
            call->deleteLater();
            const QDBusMessage reply = call->reply();
            const auto found = m_players.find(busName);
            // A player that left while the answer was on its way, or an answer
            // from a former owner of the name, says nothing about the player now.
            if (found == m_players.end() || reply.type() != QDBusMessage::ReplyMessage
                || reply.arguments().isEmpty())
                return;
            Player &player = found->second;
            if (!player.owner.isEmpty() && player.owner != reply.service())
                return;
            const Snapshot before = snapshot();
            const QVariantMap properties = dbusMap(reply.arguments().first());
            player.owner = reply.service();
            player.status = unwrapDBusValue(properties.value(kStatus)).toString();
            player.metadata = dbusMap(properties.value(kMetadata));
            player.known = true;
            settle(before);
        });
}

void PlayerSongSource::readIdentity(const QString &busName)
{
    QDBusMessage request = QDBusMessage::createMethodCall(
        busName, kMprisObjectPath, kDBusPropertiesInterface, QStringLiteral("Get"));
    request << kMprisRootInterface << QStringLiteral("Identity");
    connect(send(request), &QDBusPendingCallWatcher::finished, this,
        [this, busName](QDBusPendingCallWatcher *call) {
            call->deleteLater();
            const QDBusMessage reply = call->reply();
            const auto found = m_players.find(busName);
            if (found == m_players.end() || reply.type() != QDBusMessage::ReplyMessage
                || reply.arguments().isEmpty())
                return;
            const Snapshot before = snapshot();
            found->second.identity = unwrapDBusValue(reply.arguments().first()).toString();
            settle(before);
        });
}

void PlayerSongSource::onOwnerChanged(const QString &busName, const QString &, const QString &newOwner)
{
    if (!busName.startsWith(kMprisBusPrefix))
        return;
    const Snapshot before = snapshot();
    m_players.erase(busName);
    if (!newOwner.isEmpty()) {
        m_players[busName].owner = newOwner;
        readPlayer(busName);
        readIdentity(busName);
    }
    settle(before);
}

void PlayerSongSource::onPropertiesChanged(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 3 || arguments.at(0).toString() != kMprisPlayerInterface)
        return;
    const Snapshot before = snapshot();
    for (auto &[busName, player] : m_players) {
        if (!player.known || player.owner != message.service())
            continue;
        const QVariantMap changes = dbusMap(arguments.at(1));
        if (changes.contains(kStatus))
            player.status = unwrapDBusValue(changes.value(kStatus)).toString();
        if (changes.contains(kMetadata))
            player.metadata = dbusMap(changes.value(kMetadata));
        // A player may only say that a value changed, not to what.
        const QStringList invalidated = dbusTextList(arguments.at(2));
        if (invalidated.contains(kStatus) || invalidated.contains(kMetadata))
            readPlayer(busName);
    }
    settle(before);
}

void PlayerSongSource::setPlayer(const QString &name)
{
    const Snapshot before = snapshot();
    m_wanted = name.startsWith(kMprisBusPrefix) ? shortName(name) : name;
    settle(before);
}

QString PlayerSongSource::choose() const
{
    if (m_wanted.isEmpty()) {
        QString first;
        for (const auto &[busName, player] : m_players) {
            if (!player.known)
                continue;
            if (player.status == kPlaying)
                return busName;
            if (first.isEmpty())
                first = busName;
        }
        return first;
    }
    // The bus name is the stronger claim: an Identity is a display name that
    // two different players may share.
    QString byIdentity;
    for (const auto &[busName, player] : m_players) {
        if (!player.known)
            continue;
        const QString wanted = kMprisBusPrefix + m_wanted;
        if (busName == wanted || busName.startsWith(wanted + QLatin1Char('.')))
            return busName;
        if (byIdentity.isEmpty() && player.identity == m_wanted)
            byIdentity = busName;
    }
    return byIdentity;
}

QStringList PlayerSongSource::playersPresent() const
{
    QStringList names;
    for (const auto &[busName, player] : m_players)
        names << shortName(busName);
    return names;
}

std::optional<QStringList> PlayerSongSource::fields() const
{
    return m_fields;
}

QString PlayerSongSource::firstLine() const
{
    return playerSongLine(fields().value_or(QStringList()));
}

PlayerSongSource::Snapshot PlayerSongSource::snapshot() const
{
    const auto found = m_players.find(m_followed);
    return Snapshot { m_followed, fields(), found == m_players.end() ? QString() : found->second.status,
        playersPresent() };
}

void PlayerSongSource::settle(const Snapshot &before)
{
    const QString previous = m_followed;
    m_followed = choose();
    const bool left = !previous.isEmpty() && m_followed.isEmpty() && !m_players.count(previous);
    const bool back = m_lost && !m_followed.isEmpty();
    if (left)
        m_lost = true;
    if (back)
        m_lost = false;
    const Heard heard = hear();
    if (m_followed != m_fieldsFrom) {
        // Another player, or none: its state came whole with its GetAll
        // answer, so it is taken at once, unless the player is still loading.
        m_fieldsFrom = m_followed;
        m_heard = heard.fields;
        m_fields = heard.loading ? std::nullopt : heard.fields;
        if (heard.loading)
            m_quiet.start(heard.loadingLeftMs);
        else
            m_quiet.stop();
    } else if (heard.fields != m_heard || heard.loading) {
        m_heard = heard.fields;
        m_quiet.start(std::max(kPlayerQuietMs, heard.loadingLeftMs));
    }
    if (snapshot() != before)
        emit changed();
    if (left)
        emit vanished(shortName(previous));
    if (back)
        emit returned(shortName(m_followed));
}

PlayerSongSource::Heard PlayerSongSource::hear()
{
    const auto found = m_players.find(m_followed);
    if (m_followed.isEmpty() || found == m_players.end()) {
        m_track.clear();
        m_trackSince.invalidate();
        return {};
    }
    const Player &player = found->second;
    const QString track = trackOf(player.metadata);
    if (track != m_track || !m_trackSince.isValid()) {
        m_track = track;
        m_trackSince.start();
    }
    Heard heard { playerSongFields(player.status, player.metadata) };
    const qint64 since = m_trackSince.elapsed();
    if (since < kPlayerLoadingMs && (heard.fields->isEmpty() || titleIsOnlyFileName(player.metadata))) {
        heard.loading = true;
        heard.loadingLeftMs = int(kPlayerLoadingMs - since);
    }
    return heard;
}

void PlayerSongSource::onQuiet()
{
    const Heard heard = hear();
    if (heard.loading) {
        m_quiet.start(std::max(1, heard.loadingLeftMs));
        return;
    }
    m_heard = heard.fields;
    if (heard.fields == m_fields)
        return;
    m_fields = heard.fields;
    emit changed();
}

} // namespace zorvan
