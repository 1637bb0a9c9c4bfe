// The engine's once-a-second tick when the song has not changed, against a
// 100-byte song file and a 50 MB one that starts with the same song. The tick
// reads only the head of the file, so the two should cost about the same.
//   bench_idle_tick [TICKS]

#include "bench_support.h"
#include "memory_settings_backend.h"

#include "memory_serial_port.h"
#include "settings/settings_store.h"
#include "station/station.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace zorvan;
using namespace zorvan::bench;

namespace {

// The station over a port in memory, its timers stopped so that only the
// bench ticks it.
struct Rig {
    explicit Rig(const QString &path)
    {
        backend.write(kSettingsSection, QStringLiteral("AutoPS"), QStringLiteral("1"));
        backend.write(kSettingsSection, QStringLiteral("RTSwitch"), QStringLiteral("1"));
        backend.write(kSettingsSection, QStringLiteral("InsertDate"), QStringLiteral("False"));
        backend.write(kSettingsSection, QStringLiteral("AutoPSPath"), path);
        station = std::make_unique<Station>(backend, std::make_unique<MemorySerialPort>());
        QObject::connect(&station->link(), &EncoderLink::finished, [this] { ++plans; });
        QObject::connect(station.get(), &Station::notice,
            [](const QString &text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
        station->beginStartUp();
        station->load();
        station->engineTimer().stop();
        station->previewTimer().stop();
        station->clockTimer().stop();
    }
    void settle()
    {
        while (station->link().busy())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    MemorySettingsBackend backend;
    std::unique_ptr<Station> station;
    int plans = 0;
};

constexpr char kSong[] = "Queen,Bohemian Rhapsody,A Night at the Opera\r\n";

bool writeSongFile(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray head(kSong);
    file.write(head);
    const QByteArray filler
        = QByteArray("Some other line the player keeps below the song, never read\r\n").repeated(64);
    qint64 left = size - head.size();
    while (left > 0) {
        const qint64 n = std::min<qint64>(left, filler.size());
        if (file.write(filler.constData(), n) != n)
            return false;
        left -= n;
    }
    return file.flush();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("small.txt"));
    const QString large = dir.filePath(QStringLiteral("large.txt"));
    if (!writeSongFile(small, 100) || !writeSongFile(large, 50LL * 1024 * 1024)) {
        std::fprintf(stderr, "could not write the song files in %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("song files: %lld bytes and %lld bytes\n", QFile(small).size(), QFile(large).size());

    Rig smallRig(small);
    Rig largeRig(large);
    // The first tick sees the song as new and uploads it; every later one
    // finds it unchanged.
    smallRig.station->engineTick();
    smallRig.settle();
    largeRig.station->engineTick();
    largeRig.settle();
    const int plansBefore = smallRig.plans + largeRig.plans;

    std::vector<double> smallUs;
    std::vector<double> largeUs;
    auto timeTick = [](Rig &rig) {
        const auto start = Clock::now();
        rig.station->engineTick();
        const double us = msBetween(start, Clock::now()) * 1000.0;
        rig.settle();
        return us;
    };
    for (int i = 0; i < ticks; ++i) {
        // Alternating, so that both see the same machine.
        smallUs.push_back(timeTick(smallRig));
        largeUs.push_back(timeTick(largeRig));
    }
    const int plansAfter = smallRig.plans + largeRig.plans;
    if (plansAfter != plansBefore) {
        std::fprintf(stderr, "an unchanged song was sent again (%d plans)\n", plansAfter - plansBefore);
        return 1;
    }
    const Summary s = summarize(smallUs);
    const Summary l = summarize(largeUs);
    printSummary("idle tick, 100-byte song file", s, "us");
    printSummary("idle tick, 50 MB song file", l, "us");
    std::printf("ratio 50 MB / 100 B: median %.3f, mean %.3f (%d ticks each, interleaved)\n",
        l.median / s.median, l.mean / s.mean, ticks);
    return 0;
}
