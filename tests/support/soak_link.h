#pragma once

#include "link/board_state.h"
#include "link/frame_decoder.h"
#include "link/transmission_runner.h"

#include <QByteArray>
#include <QList>

#include <chrono>
#include <functional>
#include <vector>

namespace zorvan::test {

// One transmission as the board received it.
struct ArrivedTransmission {
    LinkOutcome outcome = LinkOutcome::Sent;
    QList<DecodedFrame> frames;
    qsizetype strayBytes = 0; // bytes that were not part of a well-formed frame
    int rejectedFrames = 0; // frames the board model refused (bad value, unknown command)
    bool portLeftOpen = false;
    bool drainedBeforeClose = false; // the last two port events were drain, close
    int reports = 0; // status steps shown while it ran
    bool endedReady = false; // the display went back to "Ready"/0 at the end
};

// A runner that answers inside run(), as a blocking link would, but sends
// every plan through the link's real runTransmission on a fresh in-memory
// port. Pauses only move a virtual clock. What reaches the line is decoded
// and applied to one board model that lives as long as the runner, so a
// test can compare what the board holds with what the window shows.
//
// Keeps nothing per transmission beyond what takeArrived() has not yet
// handed out, so a run of any length holds the same memory.
class SoakLinkRunner : public TransmissionRunner {
public:
    using Clock = std::function<qint64()>; // the test's virtual time in ms

    explicit SoakLinkRunner(Clock now);

    bool run(const Transmission &plan, std::function<void(LinkOutcome)> done) override;
    bool busy() const override { return false; }

    // What arrived since the last call.
    std::vector<ArrivedTransmission> takeArrived();

    const BoardState &board() const { return m_board; }
    std::chrono::milliseconds pausedFor() const { return m_paused; }
    int transmissions() const { return m_transmissions; }

private:
    Clock m_now;
    BoardState m_board;
    std::vector<ArrivedTransmission> m_arrived;
    std::chrono::milliseconds m_paused { 0 };
    int m_transmissions = 0;
};

} // namespace zorvan::test
