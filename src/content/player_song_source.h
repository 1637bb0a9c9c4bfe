#pragma once

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <map>
#include <optional>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace zorvan {

// Each D-Bus call gives up after this long: a hung player must never hold
// the station's once-a-second tick.
inline constexpr int kPlayerCallTimeoutMs = 500;

// A player's song is taken once its metadata has been quiet this long: a
// player announces a track change in several steps (mpv first names the
// file, then, when it has read the tags, the song), and only the last one
// is a song for the air.
inline constexpr int kPlayerQuietMs = 150;
// For this long after a track begins or a player appears, no song, or a
// title that is only the track's file name with no artist, is the player
// still loading, not the song. A file without tags has nothing better: its
// name is taken after this; so is a player that stays without a song.
inline constexpr int kPlayerLoadingMs = 2000;

// Whether the metadata's title is only the file name of its xesam:url and
// there is no artist: what mpv announces before it has read a file's tags.
bool titleIsOnlyFileName(const QVariantMap &metadata);

// The song as the song file's first fields would give it, from a player's
// MPRIS PlaybackStatus and Metadata: {artist, title}, {title} without an
// artist, {artist} without a title; empty while the player is stopped or
// has nothing loaded. Several artists are joined with ", "; line breaks and
// runs of blanks become one blank, as a song file's line holds none.
QStringList playerSongFields(const QString &playbackStatus, const QVariantMap &metadata);

// The song file's first line for the same song: "artist - title", or the one
// of them that there is.
QString playerSongLine(const QStringList &fields);

// Follows a media player on the D-Bus session bus over MPRIS
// (org.mpris.MediaPlayer2.*). Every call to the bus is asynchronous; what
// fields() answers is kept up to date by the players' PropertiesChanged
// signals and by the bus's NameOwnerChanged, and read fresh once at start
// and whenever a player appears. A change of the followed player's song is
// taken once the player has been quiet for kPlayerQuietMs. Without a session
// bus nothing is followed and nothing is tried again.
class PlayerSongSource : public QObject {
    Q_OBJECT

public:
    // The session bus, connected on a thread of its own: a bus that accepts
    // the connection and never answers must not hold the caller's thread.
    // noBus() tells when there is none.
    explicit PlayerSongSource(QObject *parent = nullptr);
    explicit PlayerSongSource(const QDBusConnection &connection, QObject *parent = nullptr);
    ~PlayerSongSource() override;

    // Empty: any player, the first that is playing, else the first present,
    // by bus name. Otherwise the player whose bus name is
    // org.mpris.MediaPlayer2.<name> (or one of its instances,
    // <name>.instance<pid>) or, failing that, whose Identity is `name`. The
    // whole bus name is taken too.
    void setPlayer(const QString &name);
    QString player() const { return m_wanted; }

    // The players on the bus now, each by the part of its bus name after
    // org.mpris.MediaPlayer2., sorted; setPlayer takes these names.
    QStringList playersPresent() const;

    // The name (as in playersPresent) of the player followed now; empty
    // when none is.
    QString followedPlayer() const { return shortName(m_followed); }

    // The followed player's song (see playerSongFields); std::nullopt while
    // no player is followed.
    std::optional<QStringList> fields() const;
    QString firstLine() const;

signals:
    // The followed player, its song or its playback state changed, or a
    // player came or went.
    void changed();
    // The followed player left the bus and no other one is followed in its
    // place (with any player chosen, another present one takes over
    // quietly); said once until a player is followed again.
    void vanished(const QString &name);
    // A player is followed again after vanished().
    void returned(const QString &name);
    // The session bus could not be reached (none is set, or it did not
    // answer): no player can be followed while the program runs.
    void noBus();

public:
    // Whether a connection to the session bus is still being tried. Qt's
    // D-Bus thread waits for that attempt even at the program's end, up to
    // libdbus's 25 s on a bus that never answers.
    static bool busStillConnecting();

private slots:
    void onPropertiesChanged(const QDBusMessage &message);
    void onOwnerChanged(const QString &busName, const QString &oldOwner, const QString &newOwner);

private:
    struct Player {
        QString owner; // unique bus name, known once its state has arrived
        QString identity;
        QString status;
        QVariantMap metadata;
        bool known = false;
    };
    // What the followed player says its song is now: std::nullopt without a
    // player; `loading` while the player has only named the track's file, or
    // nothing, since the track began.
    struct Heard {
        std::optional<QStringList> fields;
        bool loading = false;
        int loadingLeftMs = 0;
    };
    struct Snapshot {
        QString followed;
        std::optional<QStringList> fields;
        QString status;
        QStringList present;
        bool operator==(const Snapshot &) const = default;
    };

    static QString shortName(const QString &busName);
    void start();
    void listPlayers();
    void readPlayer(const QString &busName);
    void readIdentity(const QString &busName);
    QDBusPendingCallWatcher *send(const QDBusMessage &message);
    QString choose() const;
    Snapshot snapshot() const;
    // Chooses the player to follow again and tells what changed since
    // `before`.
    void settle(const Snapshot &before);
    Heard hear();
    // Takes what the player said once it has been quiet.
    void onQuiet();

    QDBusConnection m_connection;
    QString m_wanted;
    std::map<QString, Player> m_players; // by bus name, sorted
    QString m_followed;
    bool m_lost = false;
    // The song as taken (what fields() answers), and the player it came from.
    std::optional<QStringList> m_fields;
    QString m_fieldsFrom;
    std::optional<QStringList> m_heard;
    QString m_track; // xesam:url, else mpris:trackid, of the followed player's track
    QElapsedTimer m_trackSince;
    QTimer m_quiet;
};

} // namespace zorvan
