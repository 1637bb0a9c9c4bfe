// From a new song written into the "now playing" file to the last frame of
// its upload arriving on a real pseudo-terminal, through the whole window
// and its once-a-second engine tick. Songs are written at random points of
// the tick so that the spread of the tick shows.
//   bench_song_latency [CHANGES]

#include "bench_support.h"
#include "memory_settings_backend.h"

#include "link/com_port_map.h"
#include "settings/settings_store.h"
#include "ui/driver.h"
#include "ui/help_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace zorvan;
using namespace zorvan::bench;

namespace {

void keepRunning(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Runs the window until nothing has arrived for `quietMs`; false when the
// line never went quiet within `limitMs`.
bool runUntilQuiet(const BoardPty &board, int quietMs, int limitMs)
{
    QElapsedTimer limit;
    limit.start();
    qsizetype seen = board.size();
    QElapsedTimer quiet;
    quiet.start();
    while (limit.elapsed() < limitMs) {
        keepRunning(20);
        if (board.size() != seen) {
            seen = board.size();
            quiet.restart();
        } else if (quiet.elapsed() >= quietMs) {
            return true;
        }
    }
    return false;
}

bool writeAtOnce(const QString &path, const QByteArray &bytes)
{
    const QString temporary = path + QStringLiteral(".new");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    QApplication app(argc, argv);
    const int changes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
    QStringList messages;
    setMessageSink([&messages](QWidget *, const QString &text) { messages << text; });

    BoardPty board;
    if (!board.isValid()) {
        std::fprintf(stderr, "no pseudo-terminal available\n");
        return 1;
    }
    const QString songPath = dir.filePath(QStringLiteral("SongName.txt"));
    writeAtOnce(songPath, "First Artist,Opening Song\r\n");
    MemorySettingsBackend backend;
    backend.write(kSettingsSection, QStringLiteral("AutoPS"), QStringLiteral("1"));
    backend.write(kSettingsSection, QStringLiteral("RTSwitch"), QStringLiteral("1"));
    backend.write(kSettingsSection, QStringLiteral("AutoPSPath"), songPath);
    setComPortDevice(backend, 1, board.slavePath());
    Driver driver(backend);
    driver.startUp();

    // The song found at start-up goes out first.
    if (!runUntilQuiet(board, 2500, 60000) || board.size() == 0) {
        std::fprintf(stderr, "the first song was not uploaded: %s\n", qPrintable(messages.join(" | ")));
        return 1;
    }

    std::vector<double> toFirst;
    std::vector<double> toLast;
    std::vector<double> spans;
    std::printf("change  frames  write->first byte ms  write->last frame ms  upload ms\n");
    for (int i = 0; i < changes; ++i) {
        keepRunning(int(QRandomGenerator::global()->bounded(1000)));
        const qsizetype from = board.size();
        const QByteArray song = QStringLiteral("Artist %1,Song number %1\r\n").arg(i + 2).toUtf8();
        const auto written = Clock::now();
        if (!writeAtOnce(songPath, song)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(songPath));
            return 1;
        }
        if (!runUntilQuiet(board, 2500, 60000) || board.size() == from) {
            std::fprintf(stderr, "change %d was not uploaded: %s\n", i + 1, qPrintable(messages.join(" | ")));
            return 1;
        }
        const QByteArray bytes = board.bytes().mid(from);
        const std::vector<Clock::time_point> at = board.arrivalsFrom(from);
        const qsizetype lastClose = bytes.lastIndexOf('\x02');
        toFirst.push_back(msBetween(written, at.front()));
        toLast.push_back(msBetween(written, at[std::size_t(lastClose)]));
        spans.push_back(msBetween(at.front(), at[std::size_t(lastClose)]));
        std::printf("%6d  %6lld  %20.1f  %20.1f  %9.1f\n", i + 1, qlonglong(bytes.count('\x02')),
            toFirst.back(), toLast.back(), spans.back());
        std::fflush(stdout);
    }
    printSummary("song written -> first byte", summarize(toFirst), "ms");
    printSummary("song written -> last frame", summarize(toLast), "ms");
    printSummary("upload itself (first byte -> last frame)", summarize(spans), "ms");
    if (!messages.isEmpty())
        std::printf("messages shown: %s\n", qPrintable(messages.join(" | ")));
    return 0;
}
