#include "memory_serial_port.h"

#include <algorithm>

namespace zorvan {

void MemorySerialPort::setOpenOutcome(OpenOutcome outcome)
{
    std::lock_guard lock(m_mutex);
    m_openOutcome = outcome;
}

void MemorySerialPort::failAfter(qsizetype bytes)
{
    std::lock_guard lock(m_mutex);
    m_failAfter = bytes;
}

void MemorySerialPort::stallAfter(qsizetype bytes)
{
    std::lock_guard lock(m_mutex);
    m_stallAfter = bytes;
}

void MemorySerialPort::clearFaults()
{
    std::lock_guard lock(m_mutex);
    m_openOutcome = OpenOutcome::Ok;
    m_failAfter.reset();
    m_stallAfter.reset();
}

OpenOutcome MemorySerialPort::open(const QString &device, const std::optional<LineSettings> &line)
{
    std::lock_guard lock(m_mutex);
    m_events.push_back(Event::Open);
    m_open = false;
    if (m_openOutcome != OpenOutcome::Ok)
        return m_openOutcome;
    m_open = true;
    ++m_openCount;
    m_device = device;
    m_line = line.value_or(m_line);
    return OpenOutcome::Ok;
}

WriteOutcome MemorySerialPort::write(const QByteArray &bytes, std::chrono::milliseconds)
{
    std::lock_guard lock(m_mutex);
    m_events.push_back(Event::Write);
    if (!m_open)
        return WriteOutcome::Failed;
    // The first of the two faults to be reached decides.
    const qsizetype failRoom
        = m_failAfter ? std::max<qsizetype>(*m_failAfter - m_written.size(), 0) : bytes.size();
    const qsizetype stallRoom
        = m_stallAfter ? std::max<qsizetype>(*m_stallAfter - m_written.size(), 0) : bytes.size();
    const qsizetype taken = std::min({ bytes.size(), failRoom, stallRoom });
    m_writes.append(bytes.first(taken));
    m_written.append(bytes.first(taken));
    if (taken == bytes.size())
        return WriteOutcome::Ok;
    return failRoom <= stallRoom ? WriteOutcome::Failed : WriteOutcome::TimedOut;
}

WriteOutcome MemorySerialPort::drain(std::chrono::milliseconds)
{
    std::lock_guard lock(m_mutex);
    m_events.push_back(Event::Drain);
    if (!m_open)
        return WriteOutcome::Failed;
    if (m_failAfter && m_written.size() >= *m_failAfter)
        return WriteOutcome::Failed;
    if (m_stallAfter && m_written.size() >= *m_stallAfter)
        return WriteOutcome::TimedOut;
    return WriteOutcome::Ok;
}

void MemorySerialPort::close()
{
    std::lock_guard lock(m_mutex);
    m_events.push_back(Event::Close);
    m_open = false;
}

bool MemorySerialPort::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

QByteArray MemorySerialPort::written() const
{
    std::lock_guard lock(m_mutex);
    return m_written;
}

QList<QByteArray> MemorySerialPort::writes() const
{
    std::lock_guard lock(m_mutex);
    return m_writes;
}

std::vector<MemorySerialPort::Event> MemorySerialPort::events() const
{
    std::lock_guard lock(m_mutex);
    return m_events;
}

int MemorySerialPort::openCount() const
{
    std::lock_guard lock(m_mutex);
    return m_openCount;
}

QString MemorySerialPort::lastDevice() const
{
    std::lock_guard lock(m_mutex);
    return m_device;
}

LineSettings MemorySerialPort::appliedLine() const
{
    std::lock_guard lock(m_mutex);
    return m_line;
}

} // namespace zorvan
