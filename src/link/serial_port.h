#pragma once

#include "link/line_settings.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace zorvan {

enum class OpenOutcome {
    Ok,
    Missing, // no such device, or no hardware behind it
    Busy, // another program holds the port
    Denied, // no permission to open the device
    Error, // anything else: not a serial port, settings refused
    HostUnknown, // a device server whose name does not resolve
    Refused, // the device server's host turned the connection away
    Unreachable, // no route to the device server, or no answer in time
    NotRfc2217, // rfc2217:// to a server that passes bytes through and speaks no Telnet
};

enum class WriteOutcome {
    Ok,
    Failed, // the device reported an error or went away
    TimedOut, // the line did not take the bytes in time
    Dropped, // the device server closed or reset the connection
};

// A write that cannot hand its bytes to the line within this time means the
// line is stuck (a stalled adapter or a reader that stopped): the board
// itself never holds the line back, there is no flow control.
inline constexpr std::chrono::milliseconds kWriteTimeout { 3000 };

// The bytes already handed over must leave the line before the port closes.
// An adapter buffers up to about 4 KB, which takes 4.3 s at 9600 baud; twice
// that is the most a working line can need.
inline constexpr std::chrono::milliseconds kDrainTimeout { 9000 };

// The serial line to the board, write-only. One object is opened and closed
// again for every transmission.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens `device` with 8 data bits, no parity, 1 stop bit, no flow
    // control and no modem line touched, at the speed of `line`. Without
    // `line` the port applies again what it applied last (9600 baud before
    // its first open), as the board's speed stays with the program rather
    // than with whatever another program left on the device.
    virtual OpenOutcome open(const QString &device, const std::optional<LineSettings> &line) = 0;

    // Hands all of `bytes` to the line, waiting at most `timeout` for room.
    virtual WriteOutcome write(const QByteArray &bytes, std::chrono::milliseconds timeout) = 0;

    // Waits until everything written has left the line.
    virtual WriteOutcome drain(std::chrono::milliseconds timeout) = 0;

    // Closes without waiting; output that a failed drain left behind is
    // dropped. Harmless when not open.
    virtual void close() = 0;

    virtual bool isOpen() const = 0;
};

// The operating system's serial ports, and serial ports behind device
// servers for "tcp://HOST:PORT" and "rfc2217://HOST:PORT" (SystemSerialPort).
std::unique_ptr<SerialPort> makeSystemSerialPort();

} // namespace zorvan
