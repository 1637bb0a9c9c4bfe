#include "fake_player_transport.h"
#include "memory_settings_backend.h"
#include "player/cls_winamp.h"
#include "settings/settings_backend.h"
#include "settings/settings_store.h"

#include <QtTest>

#include <functional>

using namespace zorvan;
using zorvan::test::FakePlayerTransport;
using zorvan::test::SentMessage;

Q_DECLARE_METATYPE(QList<SentMessage>)

namespace {

constexpr WindowHandle kStudioWindow = 0x1234;
constexpr WindowHandle kV1Window = 0x5678;

SentMessage user(qint32 wParam, qint32 lParam)
{
    return { kStudioWindow, kWmUser, wParam, lParam };
}

std::shared_ptr<FakePlayerTransport> runningPlayer()
{
    auto fake = std::make_shared<FakePlayerTransport>();
    fake->windows.insert(kStudioClass, kStudioWindow);
    fake->windows.insert(kWinampV1Class, kV1Window);
    return fake;
}

using Operation = std::function<void(clsWinAMP &)>;

// Every operation of the link, called with a representative argument, so
// that the message table and the guards are checked against the same list.
const QMap<QString, Operation> &operations()
{
    static const QMap<QString, Operation> table {
        { "SendCommand play", [](clsWinAMP &p) { p.SendCommand(40045); } },
        { "SendUserCommand", [](clsWinAMP &p) { p.SendUserCommand(250); } },
        { "GetPlayTrackInfo", [](clsWinAMP &p) { p.GetPlayTrackInfo(1); } },
        { "GetPlaybackState", [](clsWinAMP &p) { p.GetPlaybackState(); } },
        { "GetPlaybackPos length", [](clsWinAMP &p) { p.GetPlaybackPos(1); } },
        { "GetPlaybackPos position", [](clsWinAMP &p) { p.GetPlaybackPos(0); } },
        { "SeekTo", [](clsWinAMP &p) { p.SeekTo(61999); } },
        { "SetPlaylistTrack", [](clsWinAMP &p) { p.SetPlaylistTrack(-1); } },
        { "SetPlaylistTrack last", [](clsWinAMP &p) { p.SetPlaylistTrack(32767); } },
        { "SetVolume", [](clsWinAMP &p) { p.SetVolume(255); } },
        { "SetPanning", [](clsWinAMP &p) { p.SetPanning(0); } },
        { "GetEQEnabled", [](clsWinAMP &p) { p.GetEQEnabled(); } },
        { "GetEQStat",
            [](clsWinAMP &p) {
                QList<quint8> levels;
                (void)p.GetEQStat(levels);
            } },
        { "SetEQStat full boost", [](clsWinAMP &p) { p.SetEQStat(3, 255); } },
        { "SetEQStat full cut", [](clsWinAMP &p) { p.SetEQStat(9, 0); } },
        { "SetEQStat flat", [](clsWinAMP &p) { p.SetEQStat(0, 127); } },
        { "GetEQPreAmp", [](clsWinAMP &p) { p.GetEQPreAmp(); } },
        { "GetVersion", [](clsWinAMP &p) { p.GetVersion(); } },
        { "GetCaption", [](clsWinAMP &p) { p.GetCaption(); } },
        { "GetStrippedCaption", [](clsWinAMP &p) { p.GetStrippedCaption(); } },
        { "GetTrackLength", [](clsWinAMP &p) { p.GetTrackLength(); } },
        { "GetTrackPos", [](clsWinAMP &p) { p.GetTrackPos(); } },
        { "GetPlayedPercent", [](clsWinAMP &p) { p.GetPlayedPercent(); } },
        { "GotWnd", [](clsWinAMP &p) { p.GotWnd(); } },
    };
    return table;
}

} // namespace

class TestWinamp : public QObject {
    Q_OBJECT

private slots:
    void lookUpFollowsWinAmpVersion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("searched");
        QTest::addColumn<WindowHandle>("handle");
        QTest::newRow("default Studio searches nothing") << "Studio" << QStringList() << 0;
        QTest::newRow("studio searches STUDIO") << "studio" << QStringList { "STUDIO" } << kStudioWindow;
        QTest::newRow("Winamp v1.x searches its class")
            << "Winamp v1.x" << QStringList { "Winamp v1.x" } << kV1Window;
        QTest::newRow("STUDIO searches nothing") << "STUDIO" << QStringList() << 0;
        QTest::newRow("winamp v1.x in lower case searches nothing") << "winamp v1.x" << QStringList() << 0;
        QTest::newRow("trailing blank searches nothing") << "studio " << QStringList() << 0;
        QTest::newRow("empty searches nothing") << "" << QStringList() << 0;
    }
    void lookUpFollowsWinAmpVersion()
    {
        QFETCH(QString, version);
        QFETCH(QStringList, searched);
        QFETCH(WindowHandle, handle);
        auto fake = runningPlayer();
        fake->caption = "1. Artist - Song - Winamp";
        clsWinAMP player(fake, version);
        QCOMPARE(fake->searchedClasses, searched);
        QCOMPARE(player.GotWnd(), handle != 0);
        QCOMPARE(player.GetWinAMPWnd(), handle);
        if (handle == 0)
            QCOMPARE(player.GetStrippedCaption(), QString());
    }

    void lookUpWithoutPlayerFindsNothing()
    {
        auto fake = std::make_shared<FakePlayerTransport>();
        clsWinAMP player(fake, kStudioSetting);
        QCOMPARE(fake->searchedClasses, QStringList { "STUDIO" });
        QVERIFY(!player.GotWnd());
        fake->windows.insert(kStudioClass, kStudioWindow);
        QVERIFY(!player.GotWnd());
        QCOMPARE(player.GetWinAMPWnd(), kStudioWindow);
        QVERIFY(player.GotWnd());
    }

    void versionIsReadFromTheStoreAtEachLookUp()
    {
        MemorySettingsBackend store;
        auto fake = runningPlayer();
        clsWinAMP player(fake, StoredWinAmpVersion(store));
        QVERIFY(fake->searchedClasses.isEmpty());
        QVERIFY(!player.GotWnd());
        store.write(kSettingsSection, "WinAmpVersion", "Winamp v1.x");
        QCOMPARE(player.GetWinAMPWnd(), kV1Window);
        store.write(kSettingsSection, "WinAmpVersion", "Studio");
        QCOMPARE(player.GetWinAMPWnd(), 0);
        QVERIFY(!player.GotWnd());
    }

    void startUpStep_data()
    {
        QTest::addColumn<bool>("objectExists");
        QTest::addColumn<bool>("playerAtCreation");
        QTest::addColumn<bool>("playerAtStartUp");
        QTest::addColumn<int>("searchesByStartUp");
        QTest::addColumn<bool>("found");
        QTest::newRow("new object, player running: one look-up") << false << true << true << 1 << true;
        QTest::newRow("new object, no player: looked up twice") << false << false << false << 2 << false;
        QTest::newRow("existing object with window: no look-up") << true << true << true << 0 << true;
        QTest::newRow("existing object without window: looked up again")
            << true << false << true << 1 << true;
    }
    void startUpStep()
    {
        QFETCH(bool, objectExists);
        QFETCH(bool, playerAtCreation);
        QFETCH(bool, playerAtStartUp);
        QFETCH(int, searchesByStartUp);
        QFETCH(bool, found);
        auto fake = std::make_shared<FakePlayerTransport>();
        const clsWinAMP::VersionSource version = [] { return kStudioSetting; };
        std::unique_ptr<clsWinAMP> player;
        if (playerAtCreation)
            fake->windows.insert(kStudioClass, kStudioWindow);
        if (objectExists) {
            player = std::make_unique<clsWinAMP>(fake, version);
            fake->searchedClasses.clear();
        }
        if (playerAtStartUp)
            fake->windows.insert(kStudioClass, kStudioWindow);
        const clsWinAMP *before = player.get();

        GetWAInfo(player, fake, version);

        QVERIFY(player);
        if (objectExists)
            QCOMPARE(player.get(), before);
        QCOMPARE(fake->searchedClasses.size(), searchesByStartUp);
        QCOMPARE(player->GotWnd(), found);
        QVERIFY(fake->sent.isEmpty());
    }

    void startUpWithTheDefaultSettingSearchesNothing()
    {
        MemorySettingsBackend store;
        std::unique_ptr<clsWinAMP> player;
        GetWAInfo(player, store);
        QVERIFY(player);
        QVERIFY(!player->GotWnd());
        QCOMPARE(player->GetStrippedCaption(), QString());
        QCOMPARE(player->GetPlaybackState(), QString());
    }

    void messagesOfEachOperation_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QList<SentMessage>>("expected");
        const auto none = QList<SentMessage>();
        QTest::newRow("SendCommand") << "SendCommand play"
                                     << QList<SentMessage> { { kStudioWindow, kWmCommand, 40045, 0 } };
        QTest::newRow("SendUserCommand") << "SendUserCommand" << QList<SentMessage> { user(250, 0) };
        QTest::newRow("GetPlayTrackInfo") << "GetPlayTrackInfo" << QList<SentMessage> { user(1, 126) };
        QTest::newRow("GetPlaybackState") << "GetPlaybackState" << QList<SentMessage> { user(0, 104) };
        QTest::newRow("GetPlaybackPos length")
            << "GetPlaybackPos length" << QList<SentMessage> { user(1, 105) };
        QTest::newRow("GetPlaybackPos position")
            << "GetPlaybackPos position" << QList<SentMessage> { user(0, 105) };
        QTest::newRow("SeekTo") << "SeekTo" << QList<SentMessage> { user(61999, 106) };
        QTest::newRow("SetPlaylistTrack negative")
            << "SetPlaylistTrack" << QList<SentMessage> { user(-1, 121) };
        QTest::newRow("SetPlaylistTrack 32767")
            << "SetPlaylistTrack last" << QList<SentMessage> { user(32767, 121) };
        QTest::newRow("SetVolume") << "SetVolume" << QList<SentMessage> { user(255, 122) };
        QTest::newRow("SetPanning") << "SetPanning" << QList<SentMessage> { user(0, 123) };
        QTest::newRow("GetEQEnabled") << "GetEQEnabled" << QList<SentMessage> { user(11, 127) };
        QList<SentMessage> bands;
        for (int band = 0; band < 10; ++band)
            bands << user(band, 127);
        QTest::newRow("GetEQStat, bands in rising order") << "GetEQStat" << bands;
        QTest::newRow("SetEQStat full boost")
            << "SetEQStat full boost" << QList<SentMessage> { user(3, 127), user(0, 128) };
        QTest::newRow("SetEQStat full cut")
            << "SetEQStat full cut" << QList<SentMessage> { user(9, 127), user(63, 128) };
        QTest::newRow("SetEQStat flat")
            << "SetEQStat flat" << QList<SentMessage> { user(0, 127), user(32, 128) };
        QTest::newRow("GetEQPreAmp") << "GetEQPreAmp" << QList<SentMessage> { user(10, 127) };
        QTest::newRow("GetVersion") << "GetVersion" << QList<SentMessage> { user(0, 0) };
        QTest::newRow("GetTrackLength") << "GetTrackLength" << QList<SentMessage> { user(1, 105) };
        QTest::newRow("GetTrackPos") << "GetTrackPos" << QList<SentMessage> { user(0, 105) };
        QTest::newRow("GetPlayedPercent, length first")
            << "GetPlayedPercent" << QList<SentMessage> { user(1, 105), user(0, 105) };
        QTest::newRow("GetCaption reads, sends nothing") << "GetCaption" << none;
        QTest::newRow("GetStrippedCaption reads, sends nothing") << "GetStrippedCaption" << none;
        QTest::newRow("GotWnd sends nothing") << "GotWnd" << none;
    }
    void messagesOfEachOperation()
    {
        QFETCH(QString, operation);
        QFETCH(QList<SentMessage>, expected);
        auto fake = runningPlayer();
        clsWinAMP player(fake, kStudioSetting);
        QVERIFY(operations().contains(operation));
        operations().value(operation)(player);
        QCOMPARE(fake->sent, expected);
        QCOMPARE(fake->searchedClasses.size(), 1);
    }

    void nothingIsSentWithoutWindow()
    {
        for (auto it = operations().cbegin(); it != operations().cend(); ++it) {
            auto fake = runningPlayer();
            clsWinAMP player(fake, kDefaultWinAmpVersion);
            it.value()(player);
            if (!fake->sent.isEmpty() || !fake->captionBufferSizes.isEmpty())
                QFAIL(qPrintable(it.key() + " reached the player without a window"));
        }
    }

    void emptyResultsWithoutWindow()
    {
        auto fake = runningPlayer();
        fake->caption = "1. Artist - Song - Winamp";
        fake->answer(kWmUser, 0, 104, 1);
        fake->answer(kWmUser, 1, 105, 200);
        fake->answer(kWmUser, 0, 105, 50000);
        clsWinAMP player(fake, kDefaultWinAmpVersion);
        QCOMPARE(player.SendUserCommand(1), 0);
        QCOMPARE(player.GetPlayTrackInfo(1), 0);
        QCOMPARE(player.GetPlaybackState(), QString());
        QCOMPARE(player.GetPlaybackPos(1), 0);
        QCOMPARE(player.GetEQEnabled(), false);
        QCOMPARE(player.GetEQPreAmp(), std::optional<quint8>(0));
        QCOMPARE(player.GetVersion(), QString());
        QCOMPARE(player.GetCaption(), QString());
        QCOMPARE(player.GetStrippedCaption(), QString());
        QCOMPARE(player.GetTrackLength(), std::optional<QString>(QString()));
        QCOMPARE(player.GetTrackPos(), std::optional<QString>(QString()));
        QCOMPARE(player.GetPlayedPercent(), 0);

        QList<quint8> levels { 9, 9, 9 };
        QVERIFY(player.GetEQStat(levels));
        QCOMPARE(levels, QList<quint8>(10, 0));

        player.SendCommand(kCloseCommand);
        QCOMPARE(fake->searchedClasses.size(), 0);
    }

    void closeCommandLooksUpAgain_data()
    {
        QTest::addColumn<qint32>("command");
        QTest::addColumn<int>("searches");
        QTest::addColumn<bool>("gotWindowAfter");
        QTest::newRow("close: player gone") << kCloseCommand << 2 << false;
        QTest::newRow("play: no look-up") << qint32(40045) << 1 << true;
    }
    void closeCommandLooksUpAgain()
    {
        QFETCH(qint32, command);
        QFETCH(int, searches);
        QFETCH(bool, gotWindowAfter);
        auto fake = runningPlayer();
        clsWinAMP player(fake, kStudioSetting);
        QVERIFY(player.GotWnd());
        player.SendCommand(command);
        QCOMPARE(fake->sent, (QList<SentMessage> { { kStudioWindow, kWmCommand, command, 0 } }));
        QCOMPARE(fake->searchedClasses.size(), searches);
        QCOMPARE(player.GotWnd(), gotWindowAfter);
        player.GetPlaybackState();
        QCOMPARE(fake->sent.size(), gotWindowAfter ? 2 : 1);
    }

    void playbackState_data()
    {
        QTest::addColumn<qint32>("answer");
        QTest::addColumn<QString>("state");
        QTest::newRow("1 playing") << 1 << "Playing";
        QTest::newRow("3 paused") << 3 << "Paused";
        QTest::newRow("0 stopped") << 0 << "Stopped";
        QTest::newRow("2 is no state: stopped") << 2 << "Stopped";
        QTest::newRow("-1 stopped") << -1 << "Stopped";
    }
    void playbackState()
    {
        QFETCH(qint32, answer);
        QFETCH(QString, state);
        auto fake = runningPlayer();
        fake->answer(kWmUser, 0, 104, answer);
        clsWinAMP player(fake, kStudioSetting);
        QCOMPARE(player.GetPlaybackState(), state);
    }

    void versionText_data()
    {
        QTest::addColumn<qint32>("answer");
        QTest::addColumn<QString>("text");
        QTest::newRow("2.91") << 0x2091 << "291";
        QTest::newRow("5.11") << 0x5011 << "511";
        QTest::newRow("every zero removed") << 0x10203 << "123";
        QTest::newRow("zero answer is empty") << 0 << "";
        QTest::newRow("upper-case digits") << 0x5ABC << "5ABC";
        QTest::newRow("negative as 32-bit pattern") << -1 << "FFFFFFFF";
    }
    void versionText()
    {
        QFETCH(qint32, answer);
        QFETCH(QString, text);
        auto fake = runningPlayer();
        fake->answer(kWmUser, 0, 0, answer);
        clsWinAMP player(fake, kStudioSetting);
        QCOMPARE(player.GetVersion(), text);
    }

    void equaliserEnabled_data()
    {
        QTest::addColumn<qint32>("answer");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("0 off") << 0 << false;
        QTest::newRow("1 on") << 1 << true;
        QTest::newRow("any non-zero on") << -7 << true;
    }
    void equaliserEnabled()
    {
        QFETCH(qint32, answer);
        QFETCH(bool, enabled);
        auto fake = runningPlayer();
        fake->answer(kWmUser, 11, 127, answer);
        clsWinAMP player(fake, kStudioSetting);
        QCOMPARE(player.GetEQEnabled(), enabled);
    }

    void trackTimes_data()
    {
        QTest::addColumn<bool>("length");
        QTest::addColumn<qint32>("answer");
        QTest::addColumn<std::optional<QString>>("text");
        QTest::newRow("length 3600 s") << true << 3600 << std::optional<QString>("60:00");
        QTest::newRow("length 125 s") << true << 125 << std::optional<QString>("2:05");
        QTest::newRow("length 32767 s, the largest that fits")
            << true << 32767 << std::optional<QString>("546:07");
        QTest::newRow("length 32768 s overflows") << true << 32768 << std::optional<QString>();
        QTest::newRow("length -32769 s overflows") << true << -32769 << std::optional<QString>();
        QTest::newRow("length unknown (-1)") << true << -1 << std::optional<QString>("0:00");
        QTest::newRow("position 61999 ms") << false << 61999 << std::optional<QString>("1:01");
        QTest::newRow("position 999 ms") << false << 999 << std::optional<QString>("0:00");
        QTest::newRow("position 32767999 ms fits") << false << 32767999 << std::optional<QString>("546:07");
        QTest::newRow("position 32768000 ms overflows") << false << 32768000 << std::optional<QString>();
        QTest::newRow("position not playing (-1)") << false << -1 << std::optional<QString>("0:00");
        QTest::newRow("position of the largest answer overflows")
            << false << std::numeric_limits<qint32>::max() << std::optional<QString>();
    }
    void trackTimes()
    {
        QFETCH(bool, length);
        QFETCH(qint32, answer);
        QFETCH(std::optional<QString>, text);
        auto fake = runningPlayer();
        fake->answer(kWmUser, length ? 1 : 0, 105, answer);
        clsWinAMP player(fake, kStudioSetting);
        QCOMPARE(length ? player.GetTrackLength() : player.GetTrackPos(), text);
        // An answer that does not fit leaves the link as it was.
        QVERIFY(player.GotWnd());
        QCOMPARE(fake->searchedClasses.size(), 1);
        QCOMPARE(player.GetPlaybackPos(length ? 1 : 0), answer);
        QCOMPARE(fake->sent.last().window, kStudioWindow);
    }

    void formatMinSec_data()
    {
        QTest::addColumn<qint16>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << qint16(0) << "0:00";
        QTest::newRow("59") << qint16(59) << "0:59";
        QTest::newRow("60") << qint16(60) << "1:00";
        QTest::newRow("125") << qint16(125) << "2:05";
        QTest::newRow("3600 no hours") << qint16(3600) << "60:00";
        QTest::newRow("32767") << qint16(32767) << "546:07";
        QTest::newRow("negative reads as no track") << qint16(-1) << "0:00";
    }
    void formatMinSec()
    {
        QFETCH(qint16, seconds);
        QFETCH(QString, text);
        QCOMPARE(clsWinAMP::FormatMinSec(seconds), text);
    }

    void playedPercent_data()
    {
        QTest::addColumn<qint32>("lengthSeconds");
        QTest::addColumn<qint32>("positionMs");
        QTest::addColumn<qint32>("percent");
        QTest::newRow("length 0: no division") << 0 << 5000 << 0;
        QTest::newRow("position 0") << 100 << 0 << 0;
        QTest::newRow("length unknown") << -1 << 5000 << 0;
        QTest::newRow("position unknown") << 100 << -1 << 0;
        QTest::newRow("a quarter") << 200 << 50000 << 25;
        QTest::newRow("rounded down just before 100") << 300 << 299999 << 99;
        QTest::newRow("rounded down just before a third") << 3 << 999 << 33;
        QTest::newRow("end of track") << 180 << 180000 << 100;
        QTest::newRow("long track, no overflow")
            << std::numeric_limits<qint32>::max() << std::numeric_limits<qint32>::max() << 0;
        QTest::newRow("position far beyond a short track")
            << 1 << std::numeric_limits<qint32>::max() << 214748364;
    }
    void playedPercent()
    {
        QFETCH(qint32, lengthSeconds);
        QFETCH(qint32, positionMs);
        QFETCH(qint32, percent);
        auto fake = runningPlayer();
        fake->answer(kWmUser, 1, 105, lengthSeconds);
        fake->answer(kWmUser, 0, 105, positionMs);
        clsWinAMP player(fake, kStudioSetting);
        QCOMPARE(player.GetPlayedPercent(), percent);
    }

    void eqRawToLevel_data()
    {
        QTest::addColumn<qint32>("raw");
        QTest::addColumn<std::optional<quint8>>("level");
        QTest::newRow("0 strongest boost") << 0 << std::optional<quint8>(255);
        QTest::newRow("63 strongest cut") << 63 << std::optional<quint8>(0);
        QTest::newRow("31 rounds down") << 31 << std::optional<quint8>(130);
        QTest::newRow("32 rounds up") << 32 << std::optional<quint8>(125);
        QTest::newRow("64 overflows") << 64 << std::optional<quint8>();
        QTest::newRow("127 overflows") << 127 << std::optional<quint8>();
        QTest::newRow("255 overflows") << 255 << std::optional<quint8>();
        QTest::newRow("256 is no byte") << 256 << std::optional<quint8>();
        QTest::newRow("-1 is no byte") << -1 << std::optional<quint8>();
    }
    void eqRawToLevel()
    {
        QFETCH(qint32, raw);
        QFETCH(std::optional<quint8>, level);
        QCOMPARE(clsWinAMP::EqRawToLevel(raw), level);
    }

    void eqLevelToRaw_data()
    {
        QTest::addColumn<quint8>("level");
        QTest::addColumn<quint8>("raw");
        QTest::newRow("255 strongest boost") << quint8(255) << quint8(0);
        QTest::newRow("0 strongest cut") << quint8(0) << quint8(63);
        QTest::newRow("127 flat") << quint8(127) << quint8(32);
        QTest::newRow("128") << quint8(128) << quint8(31);
        QTest::newRow("63") << quint8(63) << quint8(47);
    }
    void eqLevelToRaw()
    {
        QFETCH(quint8, level);
        QFETCH(quint8, raw);
        QCOMPARE(clsWinAMP::EqLevelToRaw(level), raw);
    }

    void everyPlayerStepSurvivesTheRoundTrip()
    {
        for (qint32 raw = 0; raw <= 63; ++raw) {
            const std::optional<quint8> level = clsWinAMP::EqRawToLevel(raw);
            QVERIFY(level);
            QCOMPARE(qint32(clsWinAMP::EqLevelToRaw(*level)), raw);
        }
    }

    void equaliserThroughThePlayer()
    {
        auto fake = runningPlayer();
        for (int band = 0; band < 10; ++band)
            fake->answer(kWmUser, band, 127, band * 7);
        fake->answer(kWmUser, 10, 127, 0);
        clsWinAMP player(fake, kStudioSetting);
        QList<quint8> levels;
        QVERIFY(player.GetEQStat(levels));
        QCOMPARE(levels, (QList<quint8> { 255, 227, 198, 170, 142, 113, 85, 57, 28, 0 }));
        QCOMPARE(player.GetEQPreAmp(), std::optional<quint8>(255));
    }

    void equaliserAnswerOutOfRange_data()
    {
        QTest::addColumn<int>("badBand");
        QTest::addColumn<qint32>("answer");
        QTest::newRow("first band 64") << 0 << 64;
        QTest::newRow("fifth band 300") << 4 << 300;
        QTest::newRow("last band negative") << 9 << -1;
    }
    void equaliserAnswerOutOfRange()
    {
        QFETCH(int, badBand);
        QFETCH(qint32, answer);
        auto fake = runningPlayer();
        for (int band = 0; band < 10; ++band)
            fake->answer(kWmUser, band, 127, 20);
        fake->answer(kWmUser, badBand, 127, answer);
        fake->answer(kWmUser, 10, 127, answer);
        clsWinAMP player(fake, kStudioSetting);
        QList<quint8> levels { 1, 2, 3 };
        QVERIFY(!player.GetEQStat(levels));
        QCOMPARE(levels, QList<quint8>(10, 0));
        QCOMPARE(fake->sent.size(), badBand + 1);
        QCOMPARE(player.GetEQPreAmp(), std::optional<quint8>());
        QVERIFY(player.GotWnd());
        QCOMPARE(fake->searchedClasses.size(), 1);
    }

    void scaleAmp_data()
    {
        QTest::addColumn<quint8>("level");
        QTest::addColumn<qint16>("decibels");
        QTest::newRow("0 exactly -20") << quint8(0) << qint16(-20);
        QTest::newRow("1") << quint8(1) << qint16(-20);
        QTest::newRow("120 rounds down") << quint8(120) << qint16(-2);
        QTest::newRow("126 just below flat") << quint8(126) << qint16(-1);
        QTest::newRow("127 flat") << quint8(127) << qint16(0);
        QTest::newRow("128") << quint8(128) << qint16(0);
        QTest::newRow("134") << quint8(134) << qint16(1);
        QTest::newRow("255") << quint8(255) << qint16(20);
    }
    void scaleAmp()
    {
        QFETCH(quint8, level);
        QFETCH(qint16, decibels);
        QCOMPARE(clsWinAMP::ScaleAmp(level), decibels);
    }

    void strippedCaption_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("song");
        QTest::newRow("numbered, paused") << "12. Artist - Song - Winamp (paused)"
                                          << "ARTIST - SONG - WINAMP";
        QTest::newRow("player name alone") << "Winamp 2.91"
                                           << "Winamp 2.91";
        QTest::newRow("player name in capitals") << "WINAMP 5.666 Build 3516"
                                                 << "WINAMP 5.666 Build 3516";
        QTest::newRow("dot at position 5 kept") << "Artist Mr. X - Song"
                                                << "ARTIST MR. X - SONG";
        QTest::newRow("number with dot at position 5 kept") << "1234. Song"
                                                            << "1234. SONG";
        QTest::newRow("number with dot at position 4 cut") << "123. Song"
                                                           << "SONG";
        QTest::newRow("no dot kept whole") << "Artist - Song"
                                           << "ARTIST - SONG";
        QTest::newRow("stopped") << "3. Artist - Song - Winamp (stopped)"
                                 << "ARTIST - SONG - WINAMP";
        QTest::newRow("playing") << "3. Artist - Song - Winamp (playing)"
                                 << "ARTIST - SONG - WINAMP";
        QTest::newRow("state in capitals") << "3. Artist - Song - Winamp (PAUSED)"
                                           << "ARTIST - SONG - WINAMP";
        QTest::newRow("stopped then paused, no blank between: both go") << "Song (stopped)(paused)"
                                                                        << "SONG";
        QTest::newRow("blank left by paused shields stopped") << "Song (stopped) (paused)"
                                                              << "SONG (STOPPED)";
        QTest::newRow("paused before stopped stays") << "Song (paused) (stopped)"
                                                     << "SONG (PAUSED)";
        QTest::newRow("state without blank") << "Song(playing)"
                                             << "SONG";
        QTest::newRow("only blanks") << "   "
                                     << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("later dots kept") << "12. Mötley Crüe - Dr. Feelgood - Winamp"
                                         << "MÖTLEY CRÜE - DR. FEELGOOD - WINAMP";
        QTest::newRow("text after a NUL ignored") << QString("7. Song - Winamp") + QChar(u'\0') + "junk"
                                                  << "SONG - WINAMP";
        QTest::newRow("tabs are not blanks") << "\tSong\t"
                                             << "\tSONG\t";
    }
    void strippedCaption()
    {
        QFETCH(QString, caption);
        QFETCH(QString, song);
        auto fake = runningPlayer();
        fake->caption = caption;
        clsWinAMP player(fake, kStudioSetting);
        QCOMPARE(player.GetStrippedCaption(), song);
        QVERIFY(fake->sent.isEmpty());
    }

    void captionReadIntoItsBuffer()
    {
        auto fake = runningPlayer();
        fake->caption = QString(3000, QLatin1Char('x'));
        clsWinAMP player(fake, kStudioSetting);
        QCOMPARE(player.GetCaption().size(), 2047);
        QCOMPARE(fake->captionBufferSizes, QList<int> { 2048 });
    }

    void artistAndTrack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("artist");
        QTest::addColumn<QString>("track");
        QTest::newRow("stripped caption") << "ARTIST - SONG - WINAMP"
                                          << "ARTIST"
                                          << "SONG - WINAMP";
        QTest::newRow("no separator") << "Just a song"
                                      << ""
                                      << "";
        QTest::newRow("hyphen without blanks") << "Jay-Z"
                                               << ""
                                               << "";
        QTest::newRow("separator first") << " - Song"
                                         << ""
                                         << "Song";
        QTest::newRow("separator last") << "Artist - "
                                        << "Artist"
                                        << "";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
    }
    void artistAndTrack()
    {
        QFETCH(QString, text);
        QFETCH(QString, artist);
        QFETCH(QString, track);
        QCOMPARE(clsWinAMP::GetArtist(text), artist);
        QCOMPARE(clsWinAMP::GetTrack(text), track);
    }
};

QTEST_APPLESS_MAIN(TestWinamp)
#include "tst_winamp.moc"
