// From a new song written into the "now playing" file to the first byte and
// to the last frame of its upload on a real pseudo-terminal, through the
// whole window, with the song file watched and with the watch turned off
// (the once-a-second engine tick alone). Two drivers run side by side in
// this process, each on its own terminal and song file, and take turns, so
// that both see the same load. Each song is written at a random point of the
// 1 s tick.
//   bench_song_latency [CHANGES] [rename|inplace]
// rename: the new song is written beside the file and renamed over it, as
// careful writers do; inplace: the file is truncated and written again.

#include "bench_support.h"
#include "memory_settings_backend.h"

#include "link/com_port_map.h"
#include "settings/settings_store.h"
#include "station/driver_options.h"
#include "ui/driver.h"
#include "ui/help_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace zorvan;
using namespace zorvan::bench;

namespace {

constexpr int kTickMs = 1000;
// Long enough for a radio text that follows the labels on the next tick.
constexpr int kQuietMs = 1500;
constexpr int kUploadLimitMs = 5000;

bool writeSong(const QString &path, const QByteArray &bytes, bool inPlace)
{
    const QString target = inPlace ? path : path + QStringLiteral(".new");
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return inPlace
        || std::rename(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) == 0;
}

// Nearest rank: with 20 samples the 95th percentile is the 19th.
double percentile(std::vector<double> samples, double q)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const auto rank = std::size_t(std::ceil(q * double(samples.size())));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

struct Half {
    Half(const char *name, bool watch)
        : name(name)
        , watch(watch)
    {
    }

    const char *name;
    bool watch;
    BoardPty board;
    MemorySettingsBackend backend;
    QString songPath;
    std::unique_ptr<Driver> driver;
    std::vector<double> toFirst, toLast, spans;
};

void printRow(const char *what, const std::vector<double> &on, const std::vector<double> &off)
{
    const auto cells = [](const std::vector<double> &v) {
        return std::array { percentile(v, 0.5), percentile(v, 0.95), *std::max_element(v.begin(), v.end()) };
    };
    const auto a = cells(on);
    const auto b = cells(off);
    std::printf("%-26s %8.1f %8.1f %8.1f   %8.1f %8.1f %8.1f\n", what, a[0], a[1], a[2], b[0], b[1], b[2]);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    QApplication app(argc, argv);
    const int changes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const bool inPlace = argc > 2 && std::strcmp(argv[2], "inplace") == 0;
    QStringList messages;
    setMessageSink([&messages](QWidget *, const QString &text) { messages << text; });

    Half halves[2] = { { "watcher on", true }, { "watcher off", false } };
    for (Half &half : halves) {
        if (!half.board.isValid()) {
            std::fprintf(stderr, "no pseudo-terminal available\n");
            return 1;
        }
        // A folder each: the watched driver also watches the song's folder.
        const QString folder = dir.filePath(QString::fromLatin1(half.watch ? "on" : "off"));
        QDir().mkpath(folder);
        half.songPath = folder + QStringLiteral("/SongName.txt");
        writeSong(half.songPath, "First Artist,Opening Song\r\n", inPlace);
        half.backend.write(kSettingsSection, QStringLiteral("AutoPS"), QStringLiteral("1"));
        half.backend.write(kSettingsSection, QStringLiteral("RTSwitch"), QStringLiteral("1"));
        half.backend.write(kSettingsSection, QStringLiteral("AutoPSPath"), half.songPath);
        half.backend.write(kDriverSection, QStringLiteral("WatchSongFile"),
            QString::fromLatin1(half.watch ? "True" : "False"));
        setComPortDevice(half.backend, 1, half.board.slavePath());
        half.driver = std::make_unique<Driver>(half.backend);
        half.driver->startUp();
    }
    // The song found at start-up goes out first.
    for (Half &half : halves) {
        if (!waitForUpload(half.board, 0, kQuietMs, kUploadLimitMs) && half.board.size() == 0) {
            std::fprintf(stderr, "%s: the first song was not uploaded: %s\n", half.name,
                qPrintable(messages.join(" | ")));
            return 1;
        }
    }

    std::printf(
        "songs written by %s\n", inPlace ? "truncating and writing in place" : "renaming a new file over");
    std::printf("change  driver       tick phase ms  frames  write->first byte ms  write->last frame ms  "
                "upload ms\n");
    for (int i = 0; i < changes; ++i) {
        // Take turns at going first, so neither always follows the other's upload.
        for (int k = 0; k < 2; ++k) {
            Half &half = halves[(i + k) % 2];
            keepRunning(int(QRandomGenerator::global()->bounded(kTickMs)));
            const qsizetype from = half.board.size();
            const QByteArray song = QStringLiteral("Artist %1,Song number %1\r\n").arg(i + 2).toUtf8();
            const int phase = kTickMs - half.driver->station().engineTimer().remainingTime();
            const auto written = Clock::now();
            if (!writeSong(half.songPath, song, inPlace)) {
                std::fprintf(stderr, "could not write %s\n", qPrintable(half.songPath));
                return 1;
            }
            if (!waitForUpload(half.board, from, kQuietMs, kUploadLimitMs)) {
                std::fprintf(stderr, "%s: change %d was not uploaded: %s\n", half.name, i + 1,
                    qPrintable(messages.join(" | ")));
                return 1;
            }
            const QByteArray bytes = half.board.bytes().mid(from);
            const std::vector<Clock::time_point> at = half.board.arrivalsFrom(from);
            const qsizetype lastClose = bytes.lastIndexOf('\x02');
            half.toFirst.push_back(msBetween(written, at.front()));
            half.toLast.push_back(msBetween(written, at[std::size_t(lastClose)]));
            half.spans.push_back(msBetween(at.front(), at[std::size_t(lastClose)]));
            std::printf("%6d  %-11s  %13d  %6lld  %20.1f  %20.1f  %9.1f\n", i + 1, half.name, phase,
                qlonglong(bytes.count('\x02')), half.toFirst.back(), half.toLast.back(), half.spans.back());
            std::fflush(stdout);
        }
    }

    const Half &on = halves[0];
    const Half &off = halves[1];
    std::printf(
        "\n%d changes each, ms          watcher on                  watcher off (1 s tick)\n", changes);
    std::printf("%-26s %8s %8s %8s   %8s %8s %8s\n", "", "median", "p95", "max", "median", "p95", "max");
    printRow("song written -> first byte", on.toFirst, off.toFirst);
    printRow("song written -> last frame", on.toLast, off.toLast);
    printRow("upload itself", on.spans, off.spans);
    const double median = percentile(on.toFirst, 0.5);
    std::printf("watcher: median to the first byte %.1f ms, %s the 20 ms target\n", median,
        median < 20 ? "under" : "OVER");
    if (!messages.isEmpty())
        std::printf("messages shown: %s\n", qPrintable(messages.join(" | ")));
    return 0;
}
