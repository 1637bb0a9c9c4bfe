#include "link/run_transmission.h"

#include <thread>

namespace zorvan {

namespace {

LinkOutcome openFailure(OpenOutcome outcome)
{
    switch (outcome) {
    case OpenOutcome::Missing:
        return LinkOutcome::PortMissing;
    case OpenOutcome::Busy:
        return LinkOutcome::PortBusy;
    case OpenOutcome::Denied:
        return LinkOutcome::PortDenied;
    case OpenOutcome::HostUnknown:
        return LinkOutcome::HostUnknown;
    case OpenOutcome::Refused:
        return LinkOutcome::ServerRefused;
    case OpenOutcome::Unreachable:
        return LinkOutcome::ServerUnreachable;
    case OpenOutcome::NotRfc2217:
        return LinkOutcome::NotRfc2217;
    case OpenOutcome::Ok:
    case OpenOutcome::Error:
        break;
    }
    return LinkOutcome::PortError;
}

LinkOutcome writeFailure(WriteOutcome outcome)
{
    switch (outcome) {
    case WriteOutcome::TimedOut:
        return LinkOutcome::WriteTimeout;
    case WriteOutcome::Dropped:
        return LinkOutcome::ConnectionLost;
    case WriteOutcome::Ok:
    case WriteOutcome::Failed:
        break;
    }
    return LinkOutcome::WriteFailed;
}

} // namespace

Pacer sleepingPacer()
{
    return [](std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); };
}

LinkOutcome runTransmission(const Transmission &plan, SerialPort &port, const QString &device,
    const std::optional<LineSettings> &line, const Pacer &pacer, ProgressSink &sink,
    const LinkTimeouts &timeouts)
{
    const OpenOutcome opened = port.open(device, line);
    if (opened != OpenOutcome::Ok)
        return openFailure(opened);

    LinkOutcome outcome = LinkOutcome::Sent;
    for (const Step &step : plan.steps()) {
        switch (step.kind) {
        case Step::Kind::Write:
            if (!step.bytes.isEmpty()) {
                const WriteOutcome written = port.write(step.bytes, timeouts.write);
                if (written != WriteOutcome::Ok)
                    outcome = writeFailure(written);
            }
            break;
        case Step::Kind::Report:
            sink.ReportStep(step.text, step.progress);
            break;
        case Step::Kind::Pause:
            if (step.milliseconds > 0)
                pacer(std::chrono::milliseconds(step.milliseconds));
            break;
        case Step::Kind::FrameGap:
            // The board needs no time between these frames beyond what the
            // line takes; the original's counting loop lasted microseconds.
            break;
        }
        if (outcome != LinkOutcome::Sent)
            break;
    }

    if (outcome == LinkOutcome::Sent) {
        const WriteOutcome drained = port.drain(timeouts.drain);
        if (drained != WriteOutcome::Ok)
            outcome = writeFailure(drained);
    }
    port.close();
    sink.ResetProgress();
    return outcome;
}

} // namespace zorvan
