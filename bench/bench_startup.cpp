// From building the program's parts to the main window on screen, against
// the 630 ms the splash stays up. The first run pays for loading fonts,
// pictures and plug-ins; the later ones show the steady cost.
//   bench_startup [RUNS]

#include "bench_support.h"
#include "memory_settings_backend.h"

#include "settings/settings_store.h"
#include "ui/driver.h"
#include "ui/help_support.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdio>

using namespace zorvan;
using namespace zorvan::bench;

namespace {

constexpr double kSplashMs = 630;

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    setMessageSink(
        [](QWidget *, const QString &text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });

    std::vector<double> later;
    std::printf("run  construct ms  start-up ms  to window shown ms  ratio to splash\n");
    for (int run = 0; run < runs; ++run) {
        MemorySettingsBackend backend;
        backend.write(kSettingsSection, QStringLiteral("RTSwitch"), QStringLiteral("0"));
        backend.write(kSettingsSection, QStringLiteral("AutoPS"), QStringLiteral("0"));
        const auto start = Clock::now();
        auto driver = std::make_unique<Driver>(backend);
        const auto built = Clock::now();
        QSignalSpy started(&driver->window(), &Form1::startedUp);
        driver->startUp();
        started.wait(60000);
        const auto shown = Clock::now();
        if (!driver->window().isVisible()) {
            std::fprintf(stderr, "the main window was not shown\n");
            return 1;
        }
        const double total = msBetween(start, shown);
        if (run > 0)
            later.push_back(total / kSplashMs);
        std::printf("%3d  %12.1f  %11.1f  %18.1f  %15.4f%s\n", run + 1, msBetween(start, built),
            msBetween(built, shown), total, total / kSplashMs, run == 0 ? "  (first, cold)" : "");
        std::fflush(stdout);
        driver.reset();
        QCoreApplication::processEvents();
    }
    if (!later.empty()) {
        const Summary s = summarize(later);
        std::printf("after the first: mean ratio %.4f (min %.4f, max %.4f) to the %.0f ms splash\n", s.mean,
            s.min, s.max, kSplashMs);
    }
    return 0;
}
