#pragma once

#include "link/line_settings.h"
#include "link/serial_port.h"
#include "link/transmission.h"
#include "link/transmission_runner.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace zorvan {

// Waits between frames. The program sleeps; tests record and return.
using Pacer = std::function<void(std::chrono::milliseconds)>;

// Sleeps the calling thread.
Pacer sleepingPacer();

// Where a transmission shows its progress: the status text and the
// progress bar (0 to 21).
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void ReportStep(const QString &text, std::optional<double> progress) = 0;
    // "Ready" and 0.
    virtual void ResetProgress() = 0;
};

struct LinkTimeouts {
    std::chrono::milliseconds write = kWriteTimeout;
    std::chrono::milliseconds drain = kDrainTimeout;
};

// Runs `plan` on `port`, blocking the calling thread for its pauses.
//
// A port that does not open ends the run at once: nothing is written and
// nothing reported, the caller shows why. Once open, the steps run in
// order until the end or the first failed write, which stops the run; the
// bytes written are then drained and the port closed, and the display is
// reset to "Ready" whatever happened.
LinkOutcome runTransmission(const Transmission &plan, SerialPort &port, const QString &device,
    const std::optional<LineSettings> &line, const Pacer &pacer, ProgressSink &sink,
    const LinkTimeouts &timeouts = {});

} // namespace zorvan
