#pragma once

#include "link/transmission.h"
#include "link/transmission_runner.h"
#include "pty_reader.h"

#include <QStringList>

#include <chrono>
#include <optional>

namespace zorvan::test {

struct PtyRun {
    std::optional<LinkOutcome> outcome;
    bool endedInTime = false;
    // What the window would have shown, in order: "text | step" or "text"
    // for each report, then "reset".
    QStringList display;
};

// Runs `plan` through the program's own link (the system's serial port,
// real sleeps) into `board`, and waits for the end. Needs an event loop:
// the link delivers its reports and its end there.
PtyRun runPlanOverPty(const Transmission &plan, PtyReader &board, std::chrono::milliseconds timeout);

// The display the plan asks for, in the form of PtyRun::display.
QStringList expectedDisplay(const Transmission &plan);

// Every pause of `plan` that the line did not keep, one line each; empty
// when all were kept. The reader thread notes a byte when it gets to run,
// which on a loaded machine can be tens of milliseconds late, so one
// silence alone is only trusted to show that a pause is there (at least
// half its length), unless it fell inside one late read. Its length is checked on the time since the first
// byte, which carries one such delay however many pauses it spans: it
// must reach the sum of the pauses so far, give or take less than one.
QStringList shortSilences(const Transmission &plan, const PtyReader &board);

} // namespace zorvan::test
