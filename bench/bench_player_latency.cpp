// From a media player's track change to the first byte and the last frame of
// the new song's upload: the real mpv with Debian's MPRIS plug-in on a
// private session bus, the station following it, a real pseudo-terminal as
// the board. mpv names the file before it has read the tags; every change
// must reach the board as one set of frames, and never as the file name.
//   bench_player_latency [CHANGES]

#include "bench_support.h"
#include "memory_settings_backend.h"
#include "mpv_player.h"

#include "content/player_song_source.h"
#include "link/frame_decoder.h"
#include "settings/settings_store.h"
#include "station/station.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QElapsedTimer>

#include <cstdio>

using namespace zorvan;
using namespace zorvan::bench;

namespace {

constexpr int kSongs = 8;
constexpr int kUploadLimitMs = 5000;
// Longer than the engine's tick, so that a second upload (the file name
// followed by the song) would be seen.
constexpr int kQuietMs = 2500;

struct Frames {
    int count = 0;
    int radioTexts = 0;
    bool fileName = false;
    qsizetype lastFrameEnd = 0;
};

Frames framesIn(const QByteArray &bytes)
{
    Frames frames;
    FrameDecoder decoder;
    for (const DecoderEvent &event : decoder.feed(bytes, 0)) {
        if (const auto *frame = std::get_if<DecodedFrame>(&event)) {
            ++frames.count;
            frames.radioTexts += frame->name == "RT";
            frames.fileName = frames.fileName || frame->value.contains(".WAV");
        }
    }
    frames.lastFrameEnd = bytes.size();
    return frames;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int changes = argc > 1 ? std::max(2, std::atoi(argv[1])) : 20;
    test::MpvPlayers players;
    if (!players.skipReason().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(players.skipReason()));
        return 1;
    }
    QStringList files;
    for (int i = 0; i < kSongs; ++i) {
        const QString name = QStringLiteral("song%1.wav").arg(i);
        players.writeSong(name, "Artist " + QByteArray::number(i), "Title number " + QByteArray::number(i));
        files << name;
    }
    // The station finds the bus as the program does, from the environment.
    qputenv("DBUS_SESSION_BUS_ADDRESS", players.busAddress().toLocal8Bit());
    BoardPty board;
    MemorySettingsBackend backend;
    backend.write(kPortsSection, QStringLiteral("COM1"), board.slavePath());
    backend.write(kDriverSection, QStringLiteral("SongSource"), QStringLiteral("Player"));
    backend.write(kSettingsSection, QStringLiteral("AutoPS"), QStringLiteral("1"));
    backend.write(kSettingsSection, QStringLiteral("RTSwitch"), QStringLiteral("1"));
    backend.write(kSettingsSection, QStringLiteral("InsertDate"), QStringLiteral("False"));
    Station station(backend);
    station.beginStartUp();
    station.load();
    station.previewTimer().stop();
    station.clockTimer().stop();

    players.start(files, { QStringLiteral("--loop-playlist=inf") });
    if (!waitForUpload(board, 0, kQuietMs, kUploadLimitMs)) {
        std::fprintf(stderr, "the first song never reached the board\n");
        return 1;
    }
    const Frames first = framesIn(board.bytes());
    std::printf("first song: %d frames, %d radio text(s)%s\n", first.count, first.radioTexts,
        first.fileName ? ", FILE NAME ON AIR" : "");

    QDBusConnection bus = QDBusConnection::connectToBus(players.busAddress(), QStringLiteral("bench"));
    std::vector<double> firstByte;
    std::vector<double> lastFrame;
    int wrongSets = 0;
    int fileNames = 0;
    for (int i = 0; i < changes; ++i) {
        const qsizetype before = board.size();
        const auto asked = Clock::now();
        bus.asyncCall(QDBusMessage::createMethodCall(QStringLiteral("org.mpris.MediaPlayer2.mpv"),
            QStringLiteral("/org/mpris/MediaPlayer2"), QStringLiteral("org.mpris.MediaPlayer2.Player"),
            QStringLiteral("Next")));
        if (!waitForUpload(board, before, kQuietMs, kUploadLimitMs)) {
            std::fprintf(stderr, "change %d never reached the board\n", i + 1);
            return 1;
        }
        const std::vector<Clock::time_point> at = board.arrivalsFrom(before);
        const Frames frames = framesIn(board.bytes().mid(before));
        firstByte.push_back(msBetween(asked, at.front()));
        lastFrame.push_back(msBetween(asked, at.back()));
        wrongSets += frames.count != 201 || frames.radioTexts != 1;
        fileNames += frames.fileName;
        std::printf("change %2d: first byte %7.1f ms, last byte %7.1f ms, %d frames\n", i + 1,
            firstByte.back(), lastFrame.back(), frames.count);
        std::fflush(stdout);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("bench"));
    printSummary("Next -> first byte", summarize(firstByte), "ms");
    printSummary("Next -> last byte of the upload", summarize(lastFrame), "ms");
    std::printf("changes: %d; not one set of 201 frames with one radio text: %d; with a file name: %d\n",
        changes, wrongSets, fileNames);
    std::printf("settle: quiet %d ms, file-name title held up to %d ms\n", kPlayerQuietMs, kPlayerLoadingMs);
    return wrongSets == 0 && fileNames == 0 ? 0 : 1;
}
