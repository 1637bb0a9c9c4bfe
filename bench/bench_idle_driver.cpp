// The real program left alone: zorvan offscreen with zorvan-sim on its COM1
// and the radio-text update on a song file that never changes. What share of
// one core it takes and how much memory it holds over the measured time.
//   bench_idle_driver [SECONDS]

#include "bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <unistd.h>

using namespace zorvan::bench;

namespace {

struct ProcSample {
    long long cpuTicks = -1; // user + system
    long long rssKb = -1;
};

ProcSample sample(qint64 pid)
{
    ProcSample s;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        // The command name may hold blanks; the fields after it are fixed.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12)
            s.cpuTicks = fields[11].toLongLong() + fields[12].toLongLong();
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                s.rssKb = line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 60;
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("tty"));
    const QString configHome = dir.filePath(QStringLiteral("config"));
    const QString songPath = dir.filePath(QStringLiteral("SongName.txt"));

    QProcess board;
    board.setProgram(bin + QStringLiteral("/zorvan-sim"));
    board.setArguments({ QStringLiteral("--link"), link });
    board.start();
    if (!board.waitForStarted(10000)) {
        std::fprintf(stderr, "zorvan-sim did not start from %s\n", qPrintable(bin));
        return 1;
    }
    QElapsedTimer ready;
    ready.start();
    while (!QFile::exists(link) && ready.elapsed() < 10000)
        wait(20);

    {
        QSettings ini(configHome + QStringLiteral("/KVL Systems.ini"), QSettings::IniFormat);
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
        return 1;
    song.close();

    QProcess driver;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    driver.setProcessEnvironment(environment);
    driver.setProgram(bin + QStringLiteral("/zorvan"));
    driver.start();
    if (!driver.waitForStarted(10000)) {
        std::fprintf(stderr, "zorvan did not start from %s\n", qPrintable(bin));
        return 1;
    }
    // Start-up and the first upload of the song are not idle time.
    wait(8000);
    const int framesBefore = board.readAllStandardOutput().count("\"command\"");
    const qint64 pid = driver.processId();
    const ProcSample first = sample(pid);
    QElapsedTimer measured;
    measured.start();
    long long peakRss = first.rssKb;
    while (measured.elapsed() < seconds * 1000LL && driver.state() == QProcess::Running) {
        wait(1000);
        peakRss = std::max(peakRss, sample(pid).rssKb);
    }
    const ProcSample last = sample(pid);
    const double elapsedS = measured.elapsed() / 1000.0;
    const int framesIdle = board.readAllStandardOutput().count("\"command\"");
    const bool alive = driver.state() == QProcess::Running;
    stop(driver);
    stop(board);
    if (!alive || first.cpuTicks < 0 || last.cpuTicks < 0) {
        std::fprintf(stderr, "the driver ended early: %s\n", driver.readAllStandardError().constData());
        return 1;
    }
    const double tick = double(::sysconf(_SC_CLK_TCK));
    const double cpuS = double(last.cpuTicks - first.cpuTicks) / tick;
    std::printf("idle driver over %.1f s (after 8 s of start-up and first upload, %d frames then)\n",
        elapsedS, framesBefore);
    std::printf("CPU time %.2f s = %.3f %% of one core\n", cpuS, 100.0 * cpuS / elapsedS);
    std::printf("resident memory: %lld kB at the start, %lld kB at the end, %lld kB at most\n", first.rssKb,
        last.rssKb, peakRss);
    std::printf("frames on the board while idle: %d\n", framesIdle);
    return 0;
}
