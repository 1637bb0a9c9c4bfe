#include "soak_link.h"

#include "memory_serial_port.h"
#include "link/run_transmission.h"

#include <utility>

namespace zorvan::test {

namespace {

class CountingSink : public ProgressSink {
public:
    void ReportStep(const QString &, std::optional<double>) override
    {
        ++reports;
        ready = false;
    }
    void ResetProgress() override { ready = true; }

    int reports = 0;
    bool ready = false;
};

} // namespace

SoakLinkRunner::SoakLinkRunner(Clock now)
    : m_now(std::move(now))
{
}

bool SoakLinkRunner::run(const Transmission &plan, std::function<void(LinkOutcome)> done)
{
    ++m_transmissions;
    MemorySerialPort port;
    CountingSink sink;
    const Pacer pacer = [this](std::chrono::milliseconds pause) { m_paused += pause; };

    ArrivedTransmission arrived;
    arrived.outcome = runTransmission(plan, port, QStringLiteral("/dev/soak"), std::nullopt, pacer, sink);
    arrived.portLeftOpen = port.isOpen();
    const auto events = port.events();
    arrived.drainedBeforeClose = events.size() >= 2
        && events[events.size() - 2] == MemorySerialPort::Event::Drain
        && events.back() == MemorySerialPort::Event::Close;
    arrived.reports = sink.reports;
    arrived.endedReady = sink.ready;

    const qint64 now = m_now();
    FrameDecoder decoder;
    std::vector<DecoderEvent> decoded = decoder.feed(port.written(), now);
    for (DecoderEvent &event : decoder.finish())
        decoded.push_back(std::move(event));
    for (const DecoderEvent &event : decoded) {
        if (const auto *frame = std::get_if<DecodedFrame>(&event)) {
            arrived.frames.append(*frame);
            if (m_board.apply(*frame).outcome != ApplyOutcome::Applied)
                ++arrived.rejectedFrames;
        } else {
            arrived.strayBytes += std::get<StrayBytes>(event).bytes.size();
        }
    }
    m_arrived.push_back(std::move(arrived));
    done(m_arrived.back().outcome);
    return true;
}

std::vector<ArrivedTransmission> SoakLinkRunner::takeArrived()
{
    return std::exchange(m_arrived, {});
}

} // namespace zorvan::test
