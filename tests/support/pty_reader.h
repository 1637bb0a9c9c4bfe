#pragma once

#include "link/transmission.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace zorvan::test {

// A pseudo-terminal standing in for the board: the code under test opens
// slavePath() as its serial port, and a thread reads the other side and
// notes when every byte arrived.
//
// The helper keeps a descriptor of its own on the slave side for its whole
// life, so the terminal survives the driver's closes and its state (speed,
// exclusivity) can be inspected in between.
class PtyReader {
public:
    using Clock = std::chrono::steady_clock;

    struct Arrival {
        qsizetype offset = 0; // of the first byte of this read in bytes()
        qsizetype size = 0;
        Clock::time_point at;
    };

    PtyReader();
    ~PtyReader();
    PtyReader(const PtyReader &) = delete;
    PtyReader &operator=(const PtyReader &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    int slaveFd() const { return m_slave; }

    // True once at least `count` bytes have arrived, false when `timeout`
    // passed first.
    bool waitForBytes(qsizetype count, std::chrono::milliseconds timeout);
    QByteArray bytes() const;
    std::vector<Arrival> arrivals() const;
    // When the byte at `offset` arrived.
    std::optional<Clock::time_point> arrivalOf(qsizetype offset) const;
    // Milliseconds between the arrival of byte offset - 1 and byte offset.
    std::optional<double> gapBeforeMs(qsizetype offset) const;

    // The board stops taking bytes: the line fills up and writes stall.
    void stopReading();
    // And takes them again, beginning with what waited on the line.
    void resumeReading();
    // The other end goes away, as an unplugged USB adapter does.
    void hangUp();

private:
    void readLoop();
    void stopThread();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    std::thread m_thread;
    bool m_stop = false; // guarded by m_mutex
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    QByteArray m_bytes;
    std::vector<Arrival> m_arrivals;
};

// Each place where `plan` pauses between two written bytes: the offset of
// the first byte after the pause and the milliseconds paused before it.
struct PauseGap {
    qsizetype offset = 0;
    int milliseconds = 0;
};
std::vector<PauseGap> pauseGaps(const Transmission &plan);

// Descriptors this process has open, to show that nothing leaks.
int openDescriptorCount();

// The output speed of the terminal `fd`, also for rates without a
// B-constant; -1 when it cannot be read.
int terminalSpeed(int fd);
// Raw 8N1 output with no flow control of any kind, as the board needs.
bool terminalIsRaw8N1(int fd);
// Whether the terminal is held exclusively (TIOCEXCL).
bool terminalIsExclusive(int fd);

} // namespace zorvan::test
