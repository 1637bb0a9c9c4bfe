#pragma once

#include "player/player_transport.h"

#include <QDBusConnection>
#include <QVariant>

#include <map>
#include <optional>

namespace zorvan {

// Plays the player's window interface with a media player that offers the
// MPRIS interface (org.mpris.MediaPlayer2.*) on the D-Bus session bus, so
// that the media-player link works on desktops without window messages.
//
// findWindow finds the first MPRIS player (by bus name) for either of the
// player's window classes. The handle stands for that player instance:
// once it has left the bus or given up its name, the handle answers 0 and
// an empty caption for good, like the window of a player that was closed.
//
// Requests (message WM_USER, request id in lParam, data in wParam):
//   0     version, 0x2020 (interface 2.2 in the player's 0xMmmm layout)
//   104   1 playing, 3 paused, 0 stopped
//   105   mode 0 position in ms, mode 1 length in s, mode 2 length in ms
//   106   seek to wParam ms
//   121   go to playlist entry wParam, where the player has a track list
//   122   volume 0..255; wParam -666 asks for the volume instead
//   125   playlist entry of the current track, where the player has one
//   others (equaliser, panning, track info): 0
// Commands (WM_COMMAND): 0x9C41 quits the player; previous, play, pause,
// stop and next map to the matching player methods.
class MprisPlayerTransport : public PlayerTransport {
public:
    // The session bus, connected on first use.
    MprisPlayerTransport();
    explicit MprisPlayerTransport(const QDBusConnection &connection);

    WindowHandle findWindow(const QString &className) override;
    qint32 sendMessage(WindowHandle window, quint32 message, qint32 wParam, qint32 lParam) override;
    QString windowText(WindowHandle window, int bufferSize) override;

    // D-Bus calls give up after this long, so a hung player cannot hold
    // the window for the bus's default 25 s.
    void setCallTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

private:
    QDBusConnection &connection();
    // The player's unique bus name while the handle's player still holds
    // its name on the bus.
    std::optional<QString> liveService(WindowHandle window);
    QVariant property(const QString &service, const QString &interface, const QString &name);
    bool setProperty(
        const QString &service, const QString &interface, const QString &name, const QVariant &value);
    bool call(const QString &service, const QString &interface, const QString &method,
        const QVariantList &arguments = {});
    QVariantMap metadata(const QString &service);
    qint64 positionUs(const QString &service);
    QStringList trackIds(const QString &service);
    qint32 playbackState(const QString &service);
    qint32 userRequest(const QString &service, qint32 wParam, qint32 lParam);
    qint32 command(const QString &service, qint32 commandId);

    std::optional<QDBusConnection> m_connection;
    int m_timeoutMs = 2000;
    struct Player {
        QString busName;
        QString uniqueName;
    };
    std::map<WindowHandle, Player> m_players;
    WindowHandle m_lastHandle = 0;
};

} // namespace zorvan
