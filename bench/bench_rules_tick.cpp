// The engine's tick under the heaviest song rules an operator could write:
// replacements that double the text forty times over, long replacements
// that nearly match everywhere, and never-on-air patterns full of stars that
// make the matcher backtrack, each against the song text that costs it most.
// The tick runs on the event loop's thread and must never hold it for 50 ms.
//   bench_rules_tick [TICKS]

#include "bench_support.h"
#include "memory_settings_backend.h"

#include "memory_serial_port.h"
#include "settings/settings_store.h"
#include "station/station.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace zorvan;
using namespace zorvan::bench;

namespace {

double threadCpuMs()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

struct RuleSet {
    const char *name;
    QStringList replacements;
    QStringList ignored;
    QByteArray song; // the song file's first line
};

QStringList repeated(const QString &rule, int count)
{
    QStringList rules;
    for (int i = 0; i < count; ++i)
        rules << rule;
    return rules;
}

QList<RuleSet> ruleSets()
{
    const QString nearMiss = QString(255, 'A') + QLatin1Char('B');
    const QString stars = QStringLiteral("*A").repeated(12) + QStringLiteral("*B");
    // Three fields of the longest text the rules keep, all "A": every rule
    // above finds almost a match at every place.
    const QByteArray longSong
        = QByteArray(600, 'A') + ',' + QByteArray(600, 'A') + ',' + QByteArray(600, 'A');
    return {
        { "no rules, plain song", {}, {}, "Queen,Bohemian Rhapsody" },
        { "40 x A=>AA (2^40 growth)", repeated(QStringLiteral("A=>AA"), 40), {}, "A,A,A" },
        { "200 x 256-char near miss", repeated(nearMiss + QStringLiteral("=>x"), 200), {}, longSong },
        { "200 x star pattern *A*A..*B", {}, repeated(stars, 200), longSong },
        { "all of the above together",
            repeated(QStringLiteral("A=>AA"), 40) + repeated(nearMiss + QStringLiteral("=>x"), 200),
            repeated(stars, 200), longSong },
    };
}

struct Rig {
    Rig(const QString &path, const RuleSet &rules)
    {
        backend.write(kSettingsSection, QStringLiteral("AutoPS"), QStringLiteral("1"));
        backend.write(kSettingsSection, QStringLiteral("RTSwitch"), QStringLiteral("1"));
        backend.write(kSettingsSection, QStringLiteral("InsertDate"), QStringLiteral("False"));
        backend.write(kSettingsSection, QStringLiteral("AutoPSPath"), path);
        for (int i = 0; i < rules.replacements.size(); ++i)
            backend.write(kDriverSection, QStringLiteral("Replace%1").arg(i + 1), rules.replacements.at(i));
        for (int i = 0; i < rules.ignored.size(); ++i)
            backend.write(kDriverSection, QStringLiteral("Ignore%1").arg(i + 1), rules.ignored.at(i));
        station = std::make_unique<Station>(backend, std::make_unique<MemorySerialPort>());
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
        QCoreApplication::processEvents();
    }
    MemorySettingsBackend backend;
    std::unique_ptr<Station> station;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    QTemporaryDir dir;
    double worst = 0;
    for (const RuleSet &rules : ruleSets()) {
        const QString path = dir.filePath(QStringLiteral("song.txt"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(rules.song + "\r\n") < 0)
            return 1;
        file.close();
        Rig rig(path, rules);
        // The first tick puts the song on air; later ones find it unchanged
        // but run every rule again, as the once-a-second tick does.
        // Wall time is what holds the event loop; the thread's CPU time is
        // the tick's own work, without the waits a loaded machine adds.
        std::vector<double> ms;
        std::vector<double> cpuMs;
        for (int i = 0; i < ticks; ++i) {
            const double cpuStart = threadCpuMs();
            const auto start = Clock::now();
            rig.station->engineTick();
            ms.push_back(msBetween(start, Clock::now()));
            cpuMs.push_back(threadCpuMs() - cpuStart);
            rig.settle();
        }
        const Summary s = summarize(ms);
        worst = std::max(worst, s.max);
        char label[128];
        std::snprintf(label, sizeof label, "tick, %s", rules.name);
        printSummary(label, s, "ms");
        std::snprintf(label, sizeof label, "  its CPU time");
        printSummary(label, summarize(cpuMs), "ms");
        std::printf(
            "    labels on air: \"%s\"\n", qPrintable(rig.station->autoUpdate().onAir.LastSentText.left(40)));
    }
    std::printf("longest tick of all: %.3f ms (the target is under 50 ms)\n", worst);
    return worst < 50 ? 0 : 1;
}
