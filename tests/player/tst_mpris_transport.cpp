#include "player/cls_winamp.h"
#include "player/mpris_transport.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMutex>
#include <QProcess>
#include <QThread>
#include <QtTest>

using namespace zorvan;

namespace {

const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.zorvantest");
const QString kServiceConnection = QStringLiteral("zorvan-test-player");
const QString kClientConnection = QStringLiteral("zorvan-test-link");
const QString kIdentity = QStringLiteral("Zorvan Test Player");

QString trackPath(int n)
{
    return QStringLiteral("/org/zorvan/track/%1").arg(n);
}

// What the test player shows and what it was asked to do. Written by the
// test, read by the player's thread, and the other way round.
struct PlayerState {
    QMutex mutex;
    QString status = QStringLiteral("Stopped");
    qlonglong positionUs = 0;
    QVariantMap metadata;
    double volume = 1.0;
    bool hasTrackList = false;
    QStringList tracks;
    QStringList calls;
};

class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(bool CanQuit READ canQuit)

public:
    RootAdaptor(QObject *parent, PlayerState &state)
        : QDBusAbstractAdaptor(parent)
        , m_state(state)
    {
    }
    QString identity() const { return kIdentity; }
    bool hasTrackList() const
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.hasTrackList;
    }
    bool canQuit() const { return true; }

public slots:
    void Quit()
    {
        {
            QMutexLocker lock(&m_state.mutex);
            m_state.calls << QStringLiteral("Quit");
        }
        // A player that quits leaves the bus before it answers, as a closed
        // window is gone once the close message has been handled.
        QDBusConnection(kServiceConnection).unregisterService(kServiceName);
    }

private:
    PlayerState &m_state;
};

class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)

public:
    PlayerAdaptor(QObject *parent, PlayerState &state)
        : QDBusAbstractAdaptor(parent)
        , m_state(state)
    {
    }
    QString playbackStatus() const
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.status;
    }
    qlonglong position() const
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.positionUs;
    }
    QVariantMap metadata() const
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.metadata;
    }
    double volume() const
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.volume;
    }
    void setVolume(double volume)
    {
        QMutexLocker lock(&m_state.mutex);
        m_state.volume = volume;
    }

public slots:
    void SetPosition(const QDBusObjectPath &track, qlonglong position)
    {
        record(QStringLiteral("SetPosition %1 %2").arg(track.path()).arg(position));
    }
    void Seek(qlonglong offset) { record(QStringLiteral("Seek %1").arg(offset)); }
    void Play() { record(QStringLiteral("Play")); }
    void PlayPause() { record(QStringLiteral("PlayPause")); }
    void Stop() { record(QStringLiteral("Stop")); }
    void Next() { record(QStringLiteral("Next")); }
    void Previous() { record(QStringLiteral("Previous")); }

private:
    void record(const QString &call)
    {
        QMutexLocker lock(&m_state.mutex);
        m_state.calls << call;
    }
    PlayerState &m_state;
};

class TrackListAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.TrackList")
    Q_PROPERTY(QList<QDBusObjectPath> Tracks READ tracks)

public:
    TrackListAdaptor(QObject *parent, PlayerState &state)
        : QDBusAbstractAdaptor(parent)
        , m_state(state)
    {
    }
    QList<QDBusObjectPath> tracks() const
    {
        QMutexLocker lock(&m_state.mutex);
        QList<QDBusObjectPath> paths;
        for (const QString &track : m_state.tracks)
            paths << QDBusObjectPath(track);
        return paths;
    }

public slots:
    void GoTo(const QDBusObjectPath &track)
    {
        QMutexLocker lock(&m_state.mutex);
        m_state.calls << QStringLiteral("GoTo %1").arg(track.path());
    }

private:
    PlayerState &m_state;
};

QVariantMap songMetadata(const QStringList &artists, const QString &title, qlonglong lengthUs, int track)
{
    QVariantMap data;
    data.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackPath(track))));
    if (!artists.isEmpty())
        data.insert(QStringLiteral("xesam:artist"), artists);
    if (!title.isEmpty())
        data.insert(QStringLiteral("xesam:title"), title);
    if (lengthUs >= 0)
        data.insert(QStringLiteral("mpris:length"), lengthUs);
    return data;
}

} // namespace

// A private bus for each run: the test starts its own dbus-daemon and plays
// a small MPRIS player on it from a second thread, so the transport's
// blocking calls get answered.
#define REQUIRE_BUS()                                                                                        \
    do {                                                                                                     \
        if (m_busAddress.isEmpty())                                                                          \
            QSKIP(qPrintable(m_noBusReason));                                                                \
    } while (false)

class TestMprisTransport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qDBusRegisterMetaType<QList<QDBusObjectPath>>();
        m_daemon.setProgram(QStringLiteral("dbus-daemon"));
        m_daemon.setArguments({ QStringLiteral("--session"), QStringLiteral("--nofork"),
            QStringLiteral("--address=unix:tmpdir=%1").arg(QDir::tempPath()),
            QStringLiteral("--print-address") });
        m_daemon.start();
        if (!m_daemon.waitForStarted()) {
            m_noBusReason = QStringLiteral("dbus-daemon could not be started: ") + m_daemon.errorString();
            return;
        }
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) { }
        const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        if (address.isEmpty()) {
            m_noBusReason = QStringLiteral("dbus-daemon printed no bus address");
            return;
        }

        QDBusConnection service = QDBusConnection::connectToBus(address, kServiceConnection);
        QDBusConnection client = QDBusConnection::connectToBus(address, kClientConnection);
        if (!service.isConnected() || !client.isConnected()) {
            m_noBusReason
                = QStringLiteral("cannot connect to the private bus: ") + service.lastError().message();
            return;
        }
        m_player = new QObject;
        new RootAdaptor(m_player, m_state);
        new PlayerAdaptor(m_player, m_state);
        new TrackListAdaptor(m_player, m_state);
        m_player->moveToThread(&m_playerThread);
        m_playerThread.start();
        QVERIFY(service.registerObject(
            QStringLiteral("/org/mpris/MediaPlayer2"), m_player, QDBusConnection::ExportAdaptors));
        m_busAddress = address;
    }

    void init()
    {
        if (m_busAddress.isEmpty())
            return;
        QDBusConnection service(kServiceConnection);
        if (!service.interface()->isServiceRegistered(kServiceName))
            QVERIFY(service.registerService(kServiceName));
        QMutexLocker lock(&m_state.mutex);
        m_state.status = QStringLiteral("Playing");
        m_state.positionUs = 0;
        m_state.metadata = songMetadata({ QStringLiteral("Artist") }, QStringLiteral("Song"), 180000000, 2);
        m_state.volume = 1.0;
        m_state.hasTrackList = true;
        m_state.tracks = QStringList { trackPath(1), trackPath(2), trackPath(3) };
        m_state.calls.clear();
    }

    void cleanupTestCase()
    {
        if (!m_busAddress.isEmpty()) {
            QDBusConnection(kServiceConnection).unregisterObject(QStringLiteral("/org/mpris/MediaPlayer2"));
            QDBusConnection::disconnectFromBus(kServiceConnection);
            QDBusConnection::disconnectFromBus(kClientConnection);
        }
        // The adaptors relay the player's signals, destroyed() included, so
        // it has to end in its own thread.
        if (m_player && m_playerThread.isRunning())
            QMetaObject::invokeMethod(
                m_player, [this] { delete m_player; }, Qt::BlockingQueuedConnection);
        else
            delete m_player;
        m_player = nullptr;
        m_playerThread.quit();
        m_playerThread.wait();
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished();
        }
    }

    void noBusMeansNoPlayer()
    {
        QDBusConnection nowhere
            = QDBusConnection::connectToBus(QStringLiteral("unix:path=%1/no-such-bus").arg(QDir::tempPath()),
                QStringLiteral("zorvan-no-bus"));
        MprisPlayerTransport transport(nowhere);
        QCOMPARE(transport.findWindow(kStudioClass), 0);
        QCOMPARE(transport.sendMessage(1, kWmUser, 0, 104), 0);
        QCOMPARE(transport.windowText(1, kCaptionBufferSize), QString());
        QDBusConnection::disconnectFromBus(QStringLiteral("zorvan-no-bus"));
    }

    void playerFoundForBothClasses()
    {
        REQUIRE_BUS();
        MprisPlayerTransport transport(client());
        const WindowHandle studio = transport.findWindow(kStudioClass);
        QVERIFY(studio != 0);
        QCOMPARE(transport.findWindow(kWinampV1Class), studio);
        QCOMPARE(transport.findWindow(QStringLiteral("Notepad")), 0);

        QDBusConnection(kServiceConnection).unregisterService(kServiceName);
        QCOMPARE(transport.findWindow(kStudioClass), 0);
    }

    void playbackState_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<qint32>("answer");
        QTest::addColumn<QString>("state");
        QTest::newRow("playing") << "Playing" << 1 << "Playing";
        QTest::newRow("paused") << "Paused" << 3 << "Paused";
        QTest::newRow("stopped") << "Stopped" << 0 << "Stopped";
        QTest::newRow("unknown status counts as stopped") << "Buffering" << 0 << "Stopped";
    }
    void playbackState()
    {
        REQUIRE_BUS();
        QFETCH(QString, status);
        QFETCH(qint32, answer);
        QFETCH(QString, state);
        setState([&](PlayerState &s) { s.status = status; });
        auto transport = std::make_shared<MprisPlayerTransport>(client());
        clsWinAMP player(transport, kStudioSetting);
        QVERIFY(player.GotWnd());
        QCOMPARE(transport->sendMessage(player.GetWinAMPWnd(), kWmUser, 0, 104), answer);
        QCOMPARE(player.GetPlaybackState(), state);
    }

    void positionAndLength_data()
    {
        QTest::addColumn<qlonglong>("positionUs");
        QTest::addColumn<qlonglong>("lengthUs");
        QTest::addColumn<qint32>("positionMs");
        QTest::addColumn<qint32>("lengthSeconds");
        QTest::addColumn<QString>("positionText");
        QTest::addColumn<QString>("lengthText");
        QTest::addColumn<qint32>("percent");
        QTest::newRow("a minute into an hour") << 61999000LL << 3600000000LL << 61999 << 3600 << "1:01"
                                               << "60:00" << 1;
        QTest::newRow("microseconds dropped") << 999999LL << 125999999LL << 999 << 125 << "0:00"
                                              << "2:05" << 0;
        QTest::newRow("no length known") << 5000000LL << -1LL << 5000 << -1 << "0:05"
                                         << "0:00" << 0;
    }
    void positionAndLength()
    {
        REQUIRE_BUS();
        QFETCH(qlonglong, positionUs);
        QFETCH(qlonglong, lengthUs);
        QFETCH(qint32, positionMs);
        QFETCH(qint32, lengthSeconds);
        QFETCH(QString, positionText);
        QFETCH(QString, lengthText);
        QFETCH(qint32, percent);
        setState([&](PlayerState &s) {
            s.positionUs = positionUs;
            s.metadata = songMetadata({ QStringLiteral("Artist") }, QStringLiteral("Song"), lengthUs, 1);
        });
        clsWinAMP player(std::make_shared<MprisPlayerTransport>(client()), kStudioSetting);
        QCOMPARE(player.GetPlaybackPos(0), positionMs);
        QCOMPARE(player.GetPlaybackPos(1), lengthSeconds);
        QCOMPARE(player.GetTrackPos(), std::optional<QString>(positionText));
        QCOMPARE(player.GetTrackLength(), std::optional<QString>(lengthText));
        QCOMPARE(player.GetPlayedPercent(), percent);
    }

    void caption_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("artists");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("trackList");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("song");
        QTest::newRow("playing, second in the list") << "Playing" << QStringList { "Artist" } << "Song"
                                                     << true << "2. Artist - Song - Zorvan Test Player"
                                                     << "ARTIST - SONG - ZORVAN TEST PLAYER";
        QTest::newRow("paused") << "Paused" << QStringList { "Artist" } << "Song" << true
                                << "2. Artist - Song - Zorvan Test Player (paused)"
                                << "ARTIST - SONG - ZORVAN TEST PLAYER";
        QTest::newRow("stopped") << "Stopped" << QStringList { "Artist" } << "Song" << true
                                 << "2. Artist - Song - Zorvan Test Player (stopped)"
                                 << "ARTIST - SONG - ZORVAN TEST PLAYER";
        QTest::newRow("two artists") << "Playing" << QStringList { "Ann", "Bob" } << "Duet" << true
                                     << "2. Ann, Bob - Duet - Zorvan Test Player"
                                     << "ANN, BOB - DUET - ZORVAN TEST PLAYER";
        QTest::newRow("no track list counts as first") << "Playing" << QStringList { "Mr. X" } << "Song"
                                                       << false << "1. Mr. X - Song - Zorvan Test Player"
                                                       << "MR. X - SONG - ZORVAN TEST PLAYER";
        QTest::newRow("title only") << "Playing" << QStringList() << "Song" << true
                                    << "2. Song - Zorvan Test Player"
                                    << "SONG - ZORVAN TEST PLAYER";
        QTest::newRow("nothing loaded: the player's name")
            << "Stopped" << QStringList() << "" << true << "Zorvan Test Player"
            << "ZORVAN TEST PLAYER";
    }
    void caption()
    {
        REQUIRE_BUS();
        QFETCH(QString, status);
        QFETCH(QStringList, artists);
        QFETCH(QString, title);
        QFETCH(bool, trackList);
        QFETCH(QString, caption);
        QFETCH(QString, song);
        setState([&](PlayerState &s) {
            s.status = status;
            s.metadata = songMetadata(artists, title, 180000000, 2);
            s.hasTrackList = trackList;
        });
        clsWinAMP player(std::make_shared<MprisPlayerTransport>(client()), kWinampV1Setting);
        QCOMPARE(player.GetCaption(), caption);
        QCOMPARE(player.GetStrippedCaption(), song);
    }

    void commandsReachThePlayer()
    {
        REQUIRE_BUS();
        auto transport = std::make_shared<MprisPlayerTransport>(client());
        clsWinAMP player(transport, kStudioSetting);
        player.SeekTo(30000);
        player.SetPlaylistTrack(2);
        player.SetPlaylistTrack(3);
        player.SendCommand(40048);
        player.SetVolume(51);
        QCOMPARE(calls(),
            (QStringList { "SetPosition " + trackPath(2) + " 30000000", "GoTo " + trackPath(3), "Next" }));
        QMutexLocker lock(&m_state.mutex);
        QCOMPARE(m_state.volume, 0.2);
        lock.unlock();
        QCOMPARE(transport->sendMessage(player.GetWinAMPWnd(), kWmUser, -666, 122), 51);
    }

    void seekWithoutTrackIdIsRelative()
    {
        REQUIRE_BUS();
        setState([](PlayerState &s) {
            s.positionUs = 10000000;
            s.metadata.clear();
        });
        clsWinAMP player(std::make_shared<MprisPlayerTransport>(client()), kStudioSetting);
        player.SeekTo(4000);
        QCOMPARE(calls(), QStringList { "Seek -6000000" });
    }

    void closeCommandQuitsAndTheWindowIsGone()
    {
        REQUIRE_BUS();
        auto transport = std::make_shared<MprisPlayerTransport>(client());
        clsWinAMP player(transport, kStudioSetting);
        const WindowHandle before = player.GetWinAMPWnd();
        QVERIFY(player.GotWnd());
        player.SendCommand(kCloseCommand);
        QCOMPARE(calls(), QStringList { "Quit" });
        QVERIFY(!player.GotWnd());
        // The old handle now behaves like a closed window.
        QCOMPARE(transport->sendMessage(before, kWmUser, 0, 104), 0);
        QCOMPARE(transport->windowText(before, kCaptionBufferSize), QString());

        // A player that comes back is a new instance with a handle of its own.
        QVERIFY(QDBusConnection(kServiceConnection).registerService(kServiceName));
        const WindowHandle after = transport->findWindow(kStudioClass);
        QVERIFY(after != 0);
        QVERIFY(after != before);
        QCOMPARE(transport->sendMessage(before, kWmUser, 0, 104), 0);
        QCOMPARE(transport->sendMessage(after, kWmUser, 0, 104), 1);
    }

private:
    static QDBusConnection client() { return QDBusConnection(kClientConnection); }

    template <typename Change> void setState(Change change)
    {
        QMutexLocker lock(&m_state.mutex);
        change(m_state);
    }

    QStringList calls()
    {
        QMutexLocker lock(&m_state.mutex);
        return m_state.calls;
    }

    QProcess m_daemon;
    QString m_busAddress;
    QString m_noBusReason = QStringLiteral("no private session bus");
    PlayerState m_state;
    QThread m_playerThread;
    QObject *m_player = nullptr;
};

QTEST_GUILESS_MAIN(TestMprisTransport)
#include "tst_mpris_transport.moc"
