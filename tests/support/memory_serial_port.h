#pragma once

#include "link/serial_port.h"

#include <QList>

#include <mutex>
#include <vector>

namespace zorvan {

// A serial port in memory: records what a transmission does with it and
// plays the faults of a real line on request. Safe to inspect from another
// thread while a transmission runs on it.
class MemorySerialPort : public SerialPort {
public:
    enum class Event { Open, Write, Drain, Close };

    // What open() answers; Ok unless set.
    void setOpenOutcome(OpenOutcome outcome);
    // Faults count bytes from the first byte this port ever took.
    // The line takes `bytes` bytes, then fails as an unplugged adapter does:
    // the write that crosses the mark hands over what fits and fails, and so
    // does every write and drain after it.
    void failAfter(qsizetype bytes);
    // The line takes `bytes` bytes, then stops taking any: writes and drain
    // time out (at once: nothing waits in memory).
    void stallAfter(qsizetype bytes);
    // Clears the faults above.
    void clearFaults();

    OpenOutcome open(const QString &device, const std::optional<LineSettings> &line) override;
    WriteOutcome write(const QByteArray &bytes, std::chrono::milliseconds timeout) override;
    WriteOutcome drain(std::chrono::milliseconds timeout) override;
    void close() override;
    bool isOpen() const override;

    // Every byte the line took, over all transmissions.
    QByteArray written() const;
    // The bytes of each write call, in order.
    QList<QByteArray> writes() const;
    std::vector<Event> events() const;
    int openCount() const;
    QString lastDevice() const;
    // The settings the last successful open applied.
    LineSettings appliedLine() const;

private:
    mutable std::mutex m_mutex;
    OpenOutcome m_openOutcome = OpenOutcome::Ok;
    std::optional<qsizetype> m_failAfter;
    std::optional<qsizetype> m_stallAfter;
    bool m_open = false;
    int m_openCount = 0;
    QString m_device;
    LineSettings m_line = kInitialLineSettings;
    QByteArray m_written;
    QList<QByteArray> m_writes;
    std::vector<Event> m_events;
};

} // namespace zorvan
