#include "plan_over_pty.h"

#include "link/encoder_link.h"
#include "link/line_settings.h"

#include <QDeadlineTimer>
#include <QTest>

namespace zorvan::test {

namespace {

QString displayLine(const QString &text, std::optional<double> step)
{
    return step ? QStringLiteral("%1 | %2").arg(text).arg(*step) : text;
}

// How late the reader may have taken the first byte. Smaller than the
// shortest pause, so that one pause left out anywhere still shows.
constexpr double kSpanSlackMs = 60;

} // namespace

PtyRun runPlanOverPty(const Transmission &plan, PtyReader &board, std::chrono::milliseconds timeout)
{
    PtyRun run;
    EncoderLink link;
    link.setPortConfig({ board.slavePath(), LineSettingsTable(2) });
    QObject::connect(&link, &EncoderLink::reportStep,
        [&run](const QString &text, std::optional<double> step) { run.display << displayLine(text, step); });
    QObject::connect(&link, &EncoderLink::progressReset, [&run] { run.display << QStringLiteral("reset"); });

    if (!link.run(plan, [&run](LinkOutcome outcome) { run.outcome = outcome; }))
        return run;
    QDeadlineTimer deadline(timeout);
    while (!run.outcome && !deadline.hasExpired())
        QTest::qWait(20);
    run.endedInTime = run.outcome.has_value();
    // The link must not be torn down under a running worker.
    link.waitForIdle();
    return run;
}

QStringList expectedDisplay(const Transmission &plan)
{
    QStringList lines;
    for (const Step &step : plan.steps()) {
        if (step.kind == Step::Kind::Report)
            lines << displayLine(step.text, step.progress);
    }
    lines << QStringLiteral("reset");
    return lines;
}

QStringList shortSilences(const Transmission &plan, const PtyReader &board)
{
    QStringList faults;
    const std::optional<PtyReader::Clock::time_point> first = board.arrivalOf(0);
    if (!first)
        return { QStringLiteral("nothing arrived") };
    int pausedSoFar = 0;
    for (const PauseGap &gap : pauseGaps(plan)) {
        pausedSoFar += gap.milliseconds;
        const std::optional<double> silence = board.gapBeforeMs(gap.offset);
        const std::optional<PtyReader::Clock::time_point> at = board.arrivalOf(gap.offset);
        if (!silence || !at) {
            faults << QStringLiteral("byte %1: never arrived").arg(gap.offset);
            continue;
        }
        const double sinceFirst = std::chrono::duration<double, std::milli>(*at - *first).count();
        // Bytes noted by the same read carry the same time: the reader was
        // late and the silence between them cannot be seen. The time since
        // the first byte still shows whether the pause was kept.
        const bool sameRead = *silence <= 0.0;
        if (!sameRead && *silence < gap.milliseconds / 2.0)
            faults << QStringLiteral("byte %1: silent %2 ms instead of %3 ms")
                          .arg(gap.offset)
                          .arg(*silence, 0, 'f', 1)
                          .arg(gap.milliseconds);
        else if (sinceFirst < pausedSoFar - kSpanSlackMs)
            faults << QStringLiteral(
                "byte %1: %2 ms after the first byte, the pauses before it add up to %3 ms")
                          .arg(gap.offset)
                          .arg(sinceFirst, 0, 'f', 1)
                          .arg(pausedSoFar);
    }
    return faults;
}

} // namespace zorvan::test
