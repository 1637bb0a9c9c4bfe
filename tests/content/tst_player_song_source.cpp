#include "content/player_song_source.h"

#include "mpv_player.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace zorvan;

namespace {

const QString kConnection = QStringLiteral("zorvan-player-song-source");
// Every wait is bounded; a player that takes this long has failed.
constexpr int kWait = 15000;

// The song in one readable line: "(none)" without a player, "" for the
// empty song, fields joined by "|".
QString song(const std::optional<QStringList> &fields)
{
    return fields ? fields->join(QLatin1Char('|')) : QStringLiteral("(none)");
}

} // namespace

#define REQUIRE_PLAYER()                                                                                     \
    do {                                                                                                     \
        if (!m_skipReason.isEmpty())                                                                         \
            QSKIP(qPrintable(m_skipReason));                                                                 \
    } while (false)

class TestPlayerSongSource : public QObject {
    Q_OBJECT

private slots:
    void songRule_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QVariant>("artist");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("firstLine");
        const QVariant none;
        const QVariant ann = QStringList { "Ann" };
        QTest::newRow("artist and title") << "Playing" << ann << "Song"
                                          << "Ann|Song"
                                          << "Ann - Song";
        QTest::newRow("paused keeps the song") << "Paused" << ann << "Song"
                                               << "Ann|Song"
                                               << "Ann - Song";
        QTest::newRow("stopped is the empty song") << "Stopped" << ann << "Song"
                                                   << ""
                                                   << "";
        QTest::newRow("no status is stopped") << "" << ann << "Song"
                                              << ""
                                              << "";
        QTest::newRow("nothing loaded") << "Playing" << none << ""
                                        << ""
                                        << "";
        QTest::newRow("title only") << "Playing" << none << "Song"
                                    << "Song"
                                    << "Song";
        QTest::newRow("artist only") << "Playing" << ann << ""
                                     << "Ann"
                                     << "Ann";
        QTest::newRow("artists joined, blank ones dropped")
            << "Playing" << QVariant(QStringList { "Ann", " ", "Bob" }) << "Duet"
            << "Ann, Bob|Duet"
            << "Ann, Bob - Duet";
        QTest::newRow("artist sent as a plain string") << "Playing" << QVariant(QString("Solo")) << "Song"
                                                       << "Solo|Song"
                                                       << "Solo - Song";
        QTest::newRow("line breaks become blanks") << "Playing" << ann << "Two\r\nlines,  one"
                                                   << "Ann|Two lines, one"
                                                   << "Ann - Two lines, one";
    }
    void songRule()
    {
        QFETCH(QString, status);
        QFETCH(QVariant, artist);
        QFETCH(QString, title);
        QFETCH(QString, fields);
        QFETCH(QString, firstLine);
        QVariantMap metadata { { "mpris:trackid", "/1" } };
        if (artist.isValid())
            metadata.insert("xesam:artist", artist);
        if (!title.isEmpty())
            metadata.insert("xesam:title", title);
        const QStringList got = playerSongFields(status, metadata);
        QCOMPARE(song(got), fields);
        QCOMPARE(playerSongLine(got), firstLine);
    }

    // mpv's title before it has read the tags is the URL's file name.
    void fileNameTitle_data()
    {
        QTest::addColumn<QVariantMap>("metadata");
        QTest::addColumn<bool>("onlyFileName");
        const auto meta = [](const QString &title, const QString &url, const QStringList &artists = {}) {
            QVariantMap map { { "xesam:title", title }, { "xesam:url", url } };
            if (!artists.isEmpty())
                map.insert("xesam:artist", artists);
            return map;
        };
        QTest::newRow("file URL") << meta("ONE.WAV", "file:///music/ONE.WAV") << true;
        QTest::newRow("case differs") << meta("one.wav", "file:///music/ONE.WAV") << true;
        QTest::newRow("escaped blank") << meta("my song.mp3", "file:///music/my%20song.mp3") << true;
        QTest::newRow("plain path") << meta("b.flac", "/music/b.flac") << true;
        QTest::newRow("stream") << meta("live.mp3", "http://radio.example/live.mp3") << true;
        QTest::newRow("tagged title") << meta("First Song", "file:///music/one.wav") << false;
        QTest::newRow("file name with an artist")
            << meta("one.wav", "file:///music/one.wav", { "Ann" }) << false;
        QTest::newRow("blank artist is none") << meta("one.wav", "file:///music/one.wav", { " " }) << true;
        QTest::newRow("no URL") << meta("one.wav", "") << false;
    }
    void fileNameTitle()
    {
        QFETCH(QVariantMap, metadata);
        QFETCH(bool, onlyFileName);
        QCOMPARE(titleIsOnlyFileName(metadata), onlyFileName);
    }

    void noBusMeansNoSong()
    {
        const QString name = QStringLiteral("zorvan-no-bus");
        PlayerSongSource source(QDBusConnection::connectToBus(
            QStringLiteral("unix:path=%1/no-such-bus").arg(QDir::tempPath()), name));
        source.setPlayer(QString());
        QCOMPARE(song(source.fields()), QStringLiteral("(none)"));
        QCOMPARE(source.firstLine(), QString());
        QCOMPARE(source.playersPresent(), QStringList());
        QDBusConnection::disconnectFromBus(name);
    }

    void initTestCase()
    {
        m_skipReason = m_players.skipReason();
        if (!m_skipReason.isEmpty())
            return;
        QVERIFY(QDBusConnection::connectToBus(m_players.busAddress(), kConnection).isConnected());
        QVERIFY(m_players.writeSong(QStringLiteral("first.wav"), "Ann Artist", "First Song"));
        QVERIFY(m_players.writeSong(QStringLiteral("title-only.wav"), "", "Only Title"));
        QVERIFY(m_players.writeSong(QStringLiteral("second.wav"), "Bob Artist", "Second Song"));
    }

    void cleanup() { m_players.stopAll(); }

    void cleanupTestCase() { QDBusConnection::disconnectFromBus(kConnection); }

    void followsThePlayersSignals()
    {
        REQUIRE_PLAYER();
        PlayerSongSource source(bus());
        QCOMPARE(song(source.fields()), QStringLiteral("(none)"));
        startPlayer({ "first.wav", "title-only.wav" });
        QTRY_COMPARE_WITH_TIMEOUT(song(source.fields()), QStringLiteral("Ann Artist|First Song"), kWait);
        QCOMPARE(source.firstLine(), QStringLiteral("Ann Artist - First Song"));
        // What the source holds inside changed() is the settled song.
        QStringList seen;
        connect(&source, &PlayerSongSource::changed, &source, [&] { seen << song(source.fields()); });
        tell(QStringLiteral("Pause"));
        QTRY_COMPARE_WITH_TIMEOUT(seen, QStringList { "Ann Artist|First Song" }, kWait);
        tell(QStringLiteral("Next"));
        QTRY_VERIFY_WITH_TIMEOUT(seen.contains(QStringLiteral("Only Title")), kWait);
        tell(QStringLiteral("Stop"));
        QTRY_COMPARE_WITH_TIMEOUT(seen.last(), QString(), kWait);
        QCOMPARE(source.firstLine(), QString());
    }

    // A track change is one song: never the file name that mpv announces
    // before it has read the tags, and no steps in between.
    void trackChangeIsOneSong()
    {
        REQUIRE_PLAYER();
        PlayerSongSource source(bus());
        QStringList seen;
        connect(&source, &PlayerSongSource::changed, &source, [&] {
            if (source.fields())
                seen << song(source.fields());
        });
        startPlayer({ "first.wav", "second.wav" });
        QTRY_COMPARE_WITH_TIMEOUT(song(source.fields()), QStringLiteral("Ann Artist|First Song"), kWait);
        QTest::qWait(kPlayerLoadingMs);
        seen.clear();
        tell(QStringLiteral("Next"));
        QTRY_COMPARE_WITH_TIMEOUT(song(source.fields()), QStringLiteral("Bob Artist|Second Song"), kWait);
        QTest::qWait(kPlayerLoadingMs);
        QCOMPARE(seen, QStringList { "Bob Artist|Second Song" });
    }

    void choosingThePlayer()
    {
        REQUIRE_PLAYER();
        startPlayer({ "first.wav" });
        PlayerSongSource source(bus());
        QTRY_COMPARE_WITH_TIMEOUT(song(source.fields()), QStringLiteral("Ann Artist|First Song"), kWait);
        QCOMPARE(source.playersPresent(), QStringList { "mpv" });
        QSignalSpy vanished(&source, &PlayerSongSource::vanished);

        source.setPlayer(QStringLiteral("vlc"));
        QCOMPARE(song(source.fields()), QStringLiteral("(none)"));
        source.setPlayer(QStringLiteral("org.mpris.MediaPlayer2.mpv"));
        QCOMPARE(song(source.fields()), QStringLiteral("Ann Artist|First Song"));
        source.setPlayer(QStringLiteral("vlc"));
        source.setPlayer(QStringLiteral("mpv"));
        QCOMPARE(song(source.fields()), QStringLiteral("Ann Artist|First Song"));
        // Choosing another player is no player going away.
        QCOMPARE(vanished.count(), 0);
    }

    void anyPlayerPrefersTheOneThatPlays()
    {
        REQUIRE_PLAYER();
        PlayerSongSource source(bus());
        startPlayer({ "first.wav" }, { "--pause" });
        QTRY_COMPARE_WITH_TIMEOUT(song(source.fields()), QStringLiteral("Ann Artist|First Song"), kWait);
        // The second mpv takes an instance name: org.mpris.MediaPlayer2.mpv.instance<pid>.
        startPlayer({ "title-only.wav" });
        QTRY_COMPARE_WITH_TIMEOUT(song(source.fields()), QStringLiteral("Only Title"), kWait);
        const QString second = source.followedPlayer();
        QVERIFY2(second.startsWith(QStringLiteral("mpv.instance")), qPrintable(second));
        tell(QStringLiteral("Pause"), second);
        QTRY_COMPARE_WITH_TIMEOUT(source.followedPlayer(), QStringLiteral("mpv"), kWait);
        QCOMPARE(song(source.fields()), QStringLiteral("Ann Artist|First Song"));
    }

    void playerLeavesAndComesBack()
    {
        REQUIRE_PLAYER();
        PlayerSongSource source(bus());
        QSignalSpy vanished(&source, &PlayerSongSource::vanished);
        QSignalSpy returned(&source, &PlayerSongSource::returned);
        QProcess *player = startPlayer({ "first.wav" });
        QTRY_COMPARE_WITH_TIMEOUT(song(source.fields()), QStringLiteral("Ann Artist|First Song"), kWait);
        QCOMPARE(returned.count(), 0);

        player->kill();
        QVERIFY(vanished.wait(kWait));
        QCOMPARE(vanished.first().first().toString(), QStringLiteral("mpv"));
        QCOMPARE(song(source.fields()), QStringLiteral("(none)"));

        startPlayer({ "title-only.wav" });
        QVERIFY(returned.wait(kWait));
        QCOMPARE(returned.first().first().toString(), QStringLiteral("mpv"));
        // mpv may name the file before it has read the file's tags.
        QTRY_COMPARE_WITH_TIMEOUT(song(source.fields()), QStringLiteral("Only Title"), kWait);
        QCOMPARE(vanished.count(), 1);
    }

private:
    static QDBusConnection bus() { return QDBusConnection(kConnection); }

    QProcess *startPlayer(const QStringList &files, const QStringList &options = {})
    {
        return m_players.start(files, options);
    }

    void tell(const QString &method, const QString &player = QStringLiteral("mpv"))
    {
        const QDBusMessage reply
            = bus().call(QDBusMessage::createMethodCall("org.mpris.MediaPlayer2." + player,
                             "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Player", method),
                QDBus::Block, kWait);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    }

    QString m_skipReason;
    zorvan::test::MpvPlayers m_players;
};

QTEST_GUILESS_MAIN(TestPlayerSongSource)
#include "tst_player_song_source.moc"
