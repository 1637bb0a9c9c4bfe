#include "link/system_serial_port.h"

#if !defined(_WIN32)

namespace zorvan {

OpenOutcome SystemSerialPort::open(const QString &device, const std::optional<LineSettings> &line)
{
    close();
    const LineSettings wanted = line.value_or(m_line);
    SerialPort &port = namesNetworkDevice(device) ? static_cast<SerialPort &>(m_network) : m_terminal;
    const OpenOutcome opened = port.open(device, wanted);
    if (opened != OpenOutcome::Ok)
        return opened;
    m_active = &port;
    m_line = wanted;
    return OpenOutcome::Ok;
}

WriteOutcome SystemSerialPort::write(const QByteArray &bytes, std::chrono::milliseconds timeout)
{
    return m_active ? m_active->write(bytes, timeout) : WriteOutcome::Failed;
}

WriteOutcome SystemSerialPort::drain(std::chrono::milliseconds timeout)
{
    return m_active ? m_active->drain(timeout) : WriteOutcome::Failed;
}

void SystemSerialPort::close()
{
    if (m_active)
        m_active->close();
    m_active = nullptr;
}

bool SystemSerialPort::isOpen() const
{
    return m_active && m_active->isOpen();
}

std::unique_ptr<SerialPort> makeSystemSerialPort()
{
    return std::make_unique<SystemSerialPort>();
}

} // namespace zorvan

#endif
