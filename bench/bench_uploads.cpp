// The three uploads of the window, pressed as an operator presses them, over
// a real pseudo-terminal: how long each takes against the pauses it must
// keep, and how late the window's event loop runs meanwhile.
//   bench_uploads [SETTINGS_RUNS] [CLOCK_RUNS] [TEXT_RUNS]

#include "bench_support.h"
#include "memory_settings_backend.h"

#include "link/com_port_map.h"
#include "settings/settings_store.h"
#include "ui/driver.h"
#include "ui/help_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace zorvan;
using namespace zorvan::bench;

namespace {

// Lateness of a short precise timer in the window's thread.
class LoopProbe {
public:
    explicit LoopProbe(int intervalMs)
        : m_intervalMs(intervalMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            if (m_last != Clock::time_point {})
                m_lateness.push_back(std::max(0.0, msBetween(m_last, now) - m_intervalMs));
            m_last = now;
        });
    }
    void start()
    {
        m_lateness.clear();
        m_last = {};
        m_timer.start();
    }
    std::vector<double> stop()
    {
        m_timer.stop();
        return m_lateness;
    }

private:
    int m_intervalMs;
    QTimer m_timer;
    Clock::time_point m_last;
    std::vector<double> m_lateness;
};

struct Press {
    double clickToFinishedMs = 0;
    double clickToLastByteMs = 0;
    double clickHandlerMs = 0; // the press itself, in the window's thread
    bool sent = false;
};

Press press(Driver &driver, BoardPty &board, QPushButton *button)
{
    QSignalSpy finished(&driver.link(), &EncoderLink::finished);
    const qsizetype before = board.size();
    const auto start = Clock::now();
    button->click();
    Press result;
    result.clickHandlerMs = msBetween(start, Clock::now());
    if (!finished.wait(120000))
        return result;
    const auto end = Clock::now();
    // The link drains the line before it reports, so every byte is there.
    result.clickToFinishedMs = msBetween(start, end);
    result.clickToLastByteMs = board.size() > before ? msBetween(start, board.lastArrival()) : 0;
    result.sent = finished.first().first().value<LinkOutcome>() == LinkOutcome::Sent;
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    QApplication app(argc, argv);
    const int settingsRuns = argc > 1 ? std::atoi(argv[1]) : 3;
    const int clockRuns = argc > 2 ? std::atoi(argv[2]) : 3;
    const int textRuns = argc > 3 ? std::atoi(argv[3]) : 2;

    QStringList messages;
    setMessageSink([&messages](QWidget *, const QString &text) { messages << text; });

    BoardPty board;
    if (!board.isValid()) {
        std::fprintf(stderr, "no pseudo-terminal available\n");
        return 1;
    }
    MemorySettingsBackend backend;
    backend.write(kSettingsSection, QStringLiteral("RTSwitch"), QStringLiteral("0"));
    backend.write(kSettingsSection, QStringLiteral("AutoPS"), QStringLiteral("0"));
    setComPortDevice(backend, 1, board.slavePath());
    Driver driver(backend);
    QSignalSpy started(&driver.window(), &Form1::startedUp);
    driver.startUp();
    if (!started.wait(60000)) {
        std::fprintf(stderr, "the window did not start up\n");
        return 1;
    }
    Form1 &form = driver.window();
    const auto button
        = [&form](const char *name) { return form.findChild<QPushButton *>(QLatin1String(name)); };
    QPushButton *sendRtAndPs = button("Command10");

    struct Upload {
        const char *caption;
        QPushButton *button;
        double budgetMs;
        int runs;
    };
    const Upload uploads[] = {
        { "Send settings", button("Command12"), 2500, settingsRuns },
        { "Synchronize time", button("Command11"), 1500, clockRuns },
        { "Send RT and PS", sendRtAndPs, 21600, textRuns },
    };

    LoopProbe probe(1);
    // The same probe with the window at rest, side by side with the upload.
    probe.start();
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const std::vector<double> idleLateness = probe.stop();

    std::vector<double> busyLateness;
    std::printf("upload                 run  click->finished ms  ratio to pauses  click->last byte ms  press "
                "handler ms\n");
    for (const Upload &upload : uploads) {
        std::vector<double> ratios;
        for (int run = 0; run < upload.runs; ++run) {
            const bool probing = upload.button == sendRtAndPs;
            if (probing)
                probe.start();
            const Press result = press(driver, board, upload.button);
            if (probing) {
                const std::vector<double> lateness = probe.stop();
                busyLateness.insert(busyLateness.end(), lateness.begin(), lateness.end());
            }
            if (!result.sent) {
                std::fprintf(stderr, "%s failed: %s\n", upload.caption, qPrintable(messages.join(" | ")));
                return 1;
            }
            ratios.push_back(result.clickToFinishedMs / upload.budgetMs);
            std::printf("%-22s %3d  %18.1f  %15.4f  %19.1f  %16.1f\n", upload.caption, run + 1,
                result.clickToFinishedMs, ratios.back(), result.clickToLastByteMs, result.clickHandlerMs);
            std::fflush(stdout);
        }
        const Summary s = summarize(ratios);
        std::printf("%-22s mean ratio %.4f (min %.4f, max %.4f) over %d runs, pause budget %.0f ms\n",
            upload.caption, s.mean, s.min, s.max, upload.runs, upload.budgetMs);
    }

    std::printf("\nevent-loop lateness of a 1 ms precise timer in the window's thread\n");
    printSummary("window at rest (5 s)", summarize(idleLateness), "ms");
    printSummary("during Send RT and PS", summarize(busyLateness), "ms");
    std::printf("samples: at rest %zu, during the upload %zu\n", idleLateness.size(), busyLateness.size());
    if (!messages.isEmpty())
        std::printf("messages shown: %s\n", qPrintable(messages.join(" | ")));
    return 0;
}
