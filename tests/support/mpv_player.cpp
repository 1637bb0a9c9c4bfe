#include "mpv_player.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtEndian>

namespace zorvan::test {

namespace {

// Where Debian's mpv-mpris puts the plug-in, and where other builds do.
const QStringList kPluginPlaces { QStringLiteral("/usr/lib/mpv-mpris/mpris.so"),
    QStringLiteral("/etc/mpv/scripts/mpris.so"),
    QStringLiteral("/usr/lib/x86_64-linux-gnu/mpv/scripts/mpris.so") };

QByteArray chunk(const QByteArray &id, QByteArray body)
{
    QByteArray bytes = id;
    const quint32 size = qToLittleEndian(quint32(body.size()));
    bytes.append(reinterpret_cast<const char *>(&size), 4);
    if (body.size() % 2)
        body.append('\0');
    return bytes + body;
}

} // namespace

QByteArray taggedWave(const QByteArray &artist, const QByteArray &title)
{
    // PCM, mono, 8000 Hz, 8000 bytes a second, 1 byte a frame, 8 bits.
    const QByteArray format = QByteArray::fromHex("0100"
                                                  "0100"
                                                  "401f0000"
                                                  "401f0000"
                                                  "0100"
                                                  "0800");
    QByteArray info = "INFO";
    if (!artist.isEmpty())
        info += chunk("IART", artist + '\0');
    info += chunk("INAM", title + '\0');
    const QByteArray body
        = "WAVE" + chunk("fmt ", format) + chunk("data", QByteArray(8000, char(0x80))) + chunk("LIST", info);
    return chunk("RIFF", body);
}

MpvPlayers::MpvPlayers()
{
    m_mpv = QStandardPaths::findExecutable(QStringLiteral("mpv"));
    for (const QString &place : kPluginPlaces) {
        if (m_plugin.isEmpty() && QFile::exists(place))
            m_plugin = place;
    }
    if (m_mpv.isEmpty() || m_plugin.isEmpty()) {
        m_skipReason = QStringLiteral("needs mpv and mpv-mpris (scripts/install-deps installs them)");
        return;
    }
    m_daemon.setProgram(QStringLiteral("dbus-daemon"));
    m_daemon.setArguments({ QStringLiteral("--session"), QStringLiteral("--nofork"),
        QStringLiteral("--address=unix:tmpdir=%1").arg(QDir::tempPath()),
        QStringLiteral("--print-address") });
    m_daemon.start();
    if (!m_daemon.waitForStarted(kWaitMs)) {
        m_skipReason = QStringLiteral("dbus-daemon could not be started: ") + m_daemon.errorString();
        return;
    }
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(kWaitMs)) { }
    m_busAddress = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_busAddress.isEmpty())
        m_skipReason = QStringLiteral("dbus-daemon printed no address");
}

MpvPlayers::~MpvPlayers()
{
    stopAll();
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(kWaitMs);
    }
}

bool MpvPlayers::writeSong(const QString &name, const QByteArray &artist, const QByteArray &title)
{
    QFile file(m_files.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(taggedWave(artist, title)) > 0;
}

QProcess *MpvPlayers::start(const QStringList &files, const QStringList &options)
{
    auto *player = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
    player->setProcessEnvironment(environment);
    player->setWorkingDirectory(m_files.path());
    player->setStandardOutputFile(QProcess::nullDevice());
    player->setStandardErrorFile(QProcess::nullDevice());
    player->start(m_mpv,
        QStringList { QStringLiteral("--no-config"), QStringLiteral("--no-terminal"),
            QStringLiteral("--ao=null"), QStringLiteral("--vo=null"), QStringLiteral("--idle=yes"),
            QStringLiteral("--loop-file=inf"), QStringLiteral("--script=") + m_plugin }
            + options + files);
    m_players << player;
    return player;
}

void MpvPlayers::stopAll()
{
    for (QProcess *player : std::as_const(m_players)) {
        player->kill();
        player->waitForFinished(kWaitMs);
        delete player;
    }
    m_players.clear();
}

} // namespace zorvan::test
