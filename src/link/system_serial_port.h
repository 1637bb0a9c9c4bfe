#pragma once

#include "link/network_serial_port.h"
#include "link/posix_serial_port.h"

namespace zorvan {

// The port the program drives: a device server for "tcp://" and
// "rfc2217://" names, the terminal device of that name otherwise.
//
// The speed stays with the program, whichever kind of port a COM number
// names: an open without line settings applies what the last successful
// open applied, on a device of either kind.
class SystemSerialPort : public SerialPort {
public:
    SystemSerialPort() = default;

    OpenOutcome open(const QString &device, const std::optional<LineSettings> &line) override;
    WriteOutcome write(const QByteArray &bytes, std::chrono::milliseconds timeout) override;
    WriteOutcome drain(std::chrono::milliseconds timeout) override;
    void close() override;
    bool isOpen() const override;

    LineSettings lineSettings() const { return m_line; }

private:
    PosixSerialPort m_terminal;
    NetworkSerialPort m_network;
    SerialPort *m_active = nullptr;
    LineSettings m_line = kInitialLineSettings;
};

} // namespace zorvan
