// The real program left alone, as a service and as a window, side by side:
// `zorvan --headless --settings FILE` and `zorvan --settings FILE2`
// (offscreen), each with a zorvan-sim of its own on its COM1 and both
// updates on a song file that never changes. What share of one core each
// takes, how much memory it holds and how many frames it sends over the same
// measured seconds.
//   bench_idle_driver [SECONDS]

#include "bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>

using namespace zorvan::bench;

namespace {

// Start-up, the splash and the first upload of the song are not idle time.
constexpr int kSettleMs = 8000;

struct ProcSample {
    long long cpuTicks = -1; // user + system of every thread, ended ones too
    long long liveCpuNs = -1; // run time of the live threads, to the nanosecond
    long long rssKb = -1;
};

QByteArray readProc(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

long long statusField(const QByteArray &status, const char *name)
{
    for (const QByteArray &line : status.split('\n')) {
        if (line.startsWith(name))
            return line.mid(qsizetype(std::strlen(name))).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

ProcSample sample(qint64 pid)
{
    ProcSample s;
    const QByteArray line = readProc(QStringLiteral("/proc/%1/stat").arg(pid));
    // The command name may hold blanks; the fields after it are fixed.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 12)
        s.cpuTicks = fields[11].toLongLong() + fields[12].toLongLong();
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray schedstat = readProc(tasks + QLatin1Char('/') + task + QStringLiteral("/schedstat"));
        if (!schedstat.isEmpty())
            s.liveCpuNs = std::max(0LL, s.liveCpuNs) + schedstat.split(' ').first().toLongLong();
    }
    const QByteArray status = readProc(QStringLiteral("/proc/%1/status").arg(pid));
    s.rssKb = statusField(status, "VmRSS:");
    return s;
}

void wait(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// One driver with its own board, settings file and song file.
struct Rig {
    const char *name;
    QStringList driverArguments;
    QProcess board;
    QProcess driver;
    qint64 pid = 0;
    ProcSample first, last;
    long long maxRss = -1;
    int framesBefore = 0;
    int framesIdle = 0;
};

bool startRig(Rig &rig, const QString &folder, const QString &bin, const QString &configHome)
{
    QDir().mkpath(folder);
    const QString link = folder + QStringLiteral("/tty");
    const QString songPath = folder + QStringLiteral("/SongName.txt");
    const QString settingsPath = folder + QStringLiteral("/station.ini");

    rig.board.setProgram(bin + QStringLiteral("/zorvan-sim"));
    rig.board.setArguments({ QStringLiteral("--link"), link });
    rig.board.start();
    if (!rig.board.waitForStarted(10000)) {
        std::fprintf(stderr, "zorvan-sim did not start from %s\n", qPrintable(bin));
        return false;
    }
    QElapsedTimer ready;
    ready.start();
    while (!QFile::exists(link) && ready.elapsed() < 10000)
        wait(20);

    {
        QSettings ini(settingsPath, QSettings::IniFormat);
        ini.setValue(QStringLiteral("Ports/COM1"), link);
        ini.beginGroup(QStringLiteral("RODIREZ500+"));
        ini.setValue(QStringLiteral("COMSelected"), 1);
        ini.setValue(QStringLiteral("AutoPS"), 1);
        ini.setValue(QStringLiteral("RTSwitch"), 1);
        ini.setValue(QStringLiteral("AutoPSPath"), songPath);
        ini.endGroup();
    }
    QFile song(songPath);
    if (!song.open(QIODevice::WriteOnly) || song.write("Queen,Bohemian Rhapsody\r\n") <= 0)
        return false;
    song.close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    rig.driver.setProcessEnvironment(environment);
    rig.driver.setProgram(bin + QStringLiteral("/zorvan"));
    rig.driver.setArguments(rig.driverArguments + QStringList { QStringLiteral("--settings"), settingsPath });
    rig.driver.start();
    if (!rig.driver.waitForStarted(10000)) {
        std::fprintf(stderr, "zorvan did not start from %s\n", qPrintable(bin));
        return false;
    }
    rig.pid = rig.driver.processId();
    return true;
}

void printRow(const char *what, double service, double window, const char *format)
{
    std::printf("%-34s ", what);
    std::printf(format, service);
    std::printf("  ");
    std::printf(format, window);
    if (window > 0)
        std::printf("  %8.2f\n", service / window);
    else
        std::printf("  %8s\n", "-");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QString configHome = dir.filePath(QStringLiteral("config"));

    std::array<Rig, 2> rigs;
    rigs[0].name = "service";
    rigs[0].driverArguments = { QStringLiteral("--headless") };
    rigs[1].name = "window";
    const auto stopAll = [&rigs] {
        for (Rig &rig : rigs) {
            stop(rig.driver);
            stop(rig.board);
        }
    };
    for (Rig &rig : rigs) {
        if (!startRig(rig, dir.filePath(QString::fromLatin1(rig.name)), bin, configHome)) {
            stopAll();
            return 1;
        }
    }
    wait(kSettleMs);

    for (Rig &rig : rigs) {
        rig.framesBefore = int(rig.board.readAllStandardOutput().count("\"command\""));
        rig.first = sample(rig.pid);
        rig.maxRss = rig.first.rssKb;
    }
    QElapsedTimer measured;
    measured.start();
    const auto allRunning = [&rigs] {
        return std::all_of(
            rigs.begin(), rigs.end(), [](const Rig &rig) { return rig.driver.state() == QProcess::Running; });
    };
    while (measured.elapsed() < seconds * 1000LL && allRunning()) {
        wait(1000);
        for (Rig &rig : rigs)
            rig.maxRss = std::max(rig.maxRss, sample(rig.pid).rssKb);
    }
    for (Rig &rig : rigs)
        rig.last = sample(rig.pid);
    const double elapsedS = measured.elapsed() / 1000.0;
    for (Rig &rig : rigs)
        rig.framesIdle = int(rig.board.readAllStandardOutput().count("\"command\""));
    const bool alive = allRunning();
    stopAll();
    for (Rig &rig : rigs) {
        if (!alive || rig.first.cpuTicks < 0 || rig.last.cpuTicks < 0) {
            std::fprintf(
                stderr, "the %s ended early: %s\n", rig.name, rig.driver.readAllStandardError().constData());
            return 1;
        }
    }

    const double tick = double(::sysconf(_SC_CLK_TCK));
    const auto cpuShare = [&](const Rig &rig) {
        return 100.0 * double(rig.last.cpuTicks - rig.first.cpuTicks) / tick / elapsedS;
    };
    const auto liveShare = [&](const Rig &rig) {
        return 100.0 * double(rig.last.liveCpuNs - rig.first.liveCpuNs) / 1e9 / elapsedS;
    };
    const Rig &service = rigs[0];
    const Rig &window = rigs[1];
    std::printf("side by side over %.1f s, after %d s of start-up and first upload (%d and %d frames then)\n",
        elapsedS, kSettleMs / 1000, service.framesBefore, window.framesBefore);
    std::printf("%-34s %10s  %10s  %8s\n", "", "service", "window", "ratio");
    printRow("CPU, % of one core (/proc stat)", cpuShare(service), cpuShare(window), "%10.3f");
    printRow("CPU, % of one core (schedstat)", liveShare(service), liveShare(window), "%10.4f");
    printRow(
        "resident memory at start, kB", double(service.first.rssKb), double(window.first.rssKb), "%10.0f");
    printRow("resident memory at end, kB", double(service.last.rssKb), double(window.last.rssKb), "%10.0f");
    printRow("resident memory at most, kB", double(service.maxRss), double(window.maxRss), "%10.0f");
    printRow("frames sent while idle", service.framesIdle, window.framesIdle, "%10.0f");
    std::printf(
        "(/proc stat counts in %.0f ms ticks; schedstat sums the live threads in ns)\n", 1000.0 / tick);
    return 0;
}
