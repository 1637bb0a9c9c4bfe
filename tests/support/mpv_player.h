#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace zorvan::test {

// One second of silence as 8 kHz 8-bit WAV, tagged in a RIFF INFO list
// (IART artist, INAM title) after the samples, where tagging programs append
// it; mpv then names the file before it has read the tags.
QByteArray taggedWave(const QByteArray &artist, const QByteArray &title);

// A private D-Bus session bus with real mpv players on it, each with the
// MPRIS plug-in of Debian's mpv-mpris, without sound or picture. Players
// and bus end with the object.
class MpvPlayers {
public:
    static constexpr int kWaitMs = 15000;

    MpvPlayers();
    ~MpvPlayers();
    MpvPlayers(const MpvPlayers &) = delete;
    MpvPlayers &operator=(const MpvPlayers &) = delete;

    // Why the players cannot run here; empty when they can.
    QString skipReason() const { return m_skipReason; }
    QString busAddress() const { return m_busAddress; }

    // A tagged song file in the players' folder.
    bool writeSong(const QString &name, const QByteArray &artist, const QByteArray &title);
    // mpv playing `files` (names in the players' folder); --idle keeps it
    // on the bus after a stop.
    QProcess *start(const QStringList &files, const QStringList &options = {});
    // Ends every player started.
    void stopAll();

private:
    QString m_skipReason;
    QString m_mpv;
    QString m_plugin;
    QProcess m_daemon;
    QString m_busAddress;
    QTemporaryDir m_files;
    QList<QProcess *> m_players;
};

} // namespace zorvan::test
