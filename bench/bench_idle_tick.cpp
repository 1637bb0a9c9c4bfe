// The engine's once-a-second tick when the song has not changed, against a
// 100-byte song file and a 50 MB one that starts with the same song. The tick
// reads only the head of the file, so the two should cost about the same.
//   bench_idle_tick [TICKS]

#include "bench_support.h"

#include "content/auto_update_engine.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <array>
#include <cstdio>

using namespace zorvan;
using namespace zorvan::bench;

namespace {

class BenchView : public AutoUpdateView {
public:
    explicit BenchView(QString path)
        : m_path(std::move(path))
    {
    }
    DynamicMode dynamicMode() const override { return DynamicMode::Split; }
    bool insertDateChecked() const override { return false; }
    int autoDelayPosition() const override { return 1; }
    QString songSourcePath() const override { return m_path; }
    QString labelText(int index) const override { return m_labels[std::size_t(index)]; }
    int labelDelay(int index) const override { return m_delays[std::size_t(index)]; }
    void setLabelText(int index, const QString &text) override { m_labels[std::size_t(index)] = text; }
    void setLabelDelay(int index, int position) override { m_delays[std::size_t(index)] = position; }
    QString songDisplay() const override { return m_song; }
    void setSongDisplay(const QString &text) override { m_song = text; }
    QString radioTextField() const override { return m_radioText; }
    void setRadioTextField(const QString &text) override { m_radioText = text; }
    void showAutoUpdateOff() override { ++switchedOff; }
    void showMessage(const QString &text, std::function<void()> closed) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        closed();
    }
    void reportLinkFailure(LinkOutcome, std::function<void()> closed) override { closed(); }

    int switchedOff = 0;

private:
    QString m_path;
    std::array<QString, kLabelCount> m_labels;
    std::array<int, kLabelCount> m_delays {};
    QString m_song;
    QString m_radioText;
};

// Takes every plan at once and reports it sent on the next turn of the loop.
class InstantRunner : public TransmissionRunner {
public:
    bool run(const Transmission &, std::function<void(LinkOutcome)> done) override
    {
        ++plans;
        m_busy = true;
        QTimer::singleShot(0, [this, done = std::move(done)] {
            m_busy = false;
            done(LinkOutcome::Sent);
        });
        return true;
    }
    bool busy() const override { return m_busy; }
    int plans = 0;

private:
    bool m_busy = false;
};

struct Rig {
    explicit Rig(const QString &path)
        : view(path)
        , engine(view, runner, reader, settings, [] {})
    {
        settings.AutoPS = 1;
        settings.RTSwitch = 1;
        settings.AutoPSPath = path;
    }
    void settle()
    {
        engine.AutoUpdateTick();
        while (engine.isBusy() || runner.busy())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    BenchView view;
    InstantRunner runner;
    PlatformSongFileReader reader;
    StationSettings settings;
    AutoUpdateEngine engine;
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
    smallRig.settle();
    largeRig.settle();
    const int plansBefore = smallRig.runner.plans + largeRig.runner.plans;

    std::vector<double> smallUs;
    std::vector<double> largeUs;
    auto timeTick = [](Rig &rig) {
        const auto start = Clock::now();
        rig.engine.AutoUpdateTick();
        const double us = msBetween(start, Clock::now()) * 1000.0;
        while (rig.engine.isBusy() || rig.runner.busy())
            QCoreApplication::processEvents();
        return us;
    };
    for (int i = 0; i < ticks; ++i) {
        // Alternating, so that both see the same machine.
        smallUs.push_back(timeTick(smallRig));
        largeUs.push_back(timeTick(largeRig));
    }
    const int plansAfter = smallRig.runner.plans + largeRig.runner.plans;
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
