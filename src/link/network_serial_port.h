#pragma once

#include "link/network_device.h"
#include "link/serial_port.h"
#include "link/telnet_com_port.h"

#include <QByteArray>

namespace zorvan {

// Finding the device server and connecting to it, together. A server on
// the local network answers in milliseconds; one that has not answered in
// this time is taken as out of reach rather than left to hold the window.
inline constexpr std::chrono::milliseconds kConnectTimeout { 4000 };

// A serial port behind a device server (ser2net or a hardware one), over
// TCP: "tcp://HOST:PORT" or "rfc2217://HOST:PORT".
//
// open() connects and, with RFC 2217, sets the remote port to the line
// settings, waiting within the connect time for the server to take the
// offer of port control but never for its acknowledgements, which a
// server in front of a pseudo-terminal may not send. A server that turns
// port control down keeps the settings of its own configuration. Nagle's
// algorithm is off, so a pause between frames is a pause on the line.
//
// write() hands the bytes to the kernel; drain() waits until the server
// has taken every one of them (the socket's send queue is empty). While
// either waits, whatever the server sends is read and, with RFC 2217,
// answered, so the connection never stalls on a full receive buffer.
class NetworkSerialPort : public SerialPort {
public:
    NetworkSerialPort() = default;
    ~NetworkSerialPort() override;

    NetworkSerialPort(const NetworkSerialPort &) = delete;
    NetworkSerialPort &operator=(const NetworkSerialPort &) = delete;

    // A `device` that is no well-formed device server address is Missing.
    OpenOutcome open(const QString &device, const std::optional<LineSettings> &line) override;
    WriteOutcome write(const QByteArray &bytes, std::chrono::milliseconds timeout) override;
    WriteOutcome drain(std::chrono::milliseconds timeout) override;
    void close() override;
    bool isOpen() const override { return m_fd >= 0; }

    // The settings the next open without settings of its own applies.
    LineSettings lineSettings() const { return m_line; }

    void setConnectTimeout(std::chrono::milliseconds timeout) { m_connectTimeout = timeout; }

private:
    using Clock = std::chrono::steady_clock;

    // Sends what is queued and reads what arrives until `done` holds or
    // `deadline` passes.
    template <typename Done>
    WriteOutcome pump(Clock::time_point deadline, Done done, std::chrono::milliseconds slice = kWriteTimeout);
    WriteOutcome readAvailable();
    WriteOutcome sendQueued();

    std::chrono::milliseconds m_connectTimeout = kConnectTimeout;
    LineSettings m_line = kInitialLineSettings;
    NetworkDevice m_device;
    TelnetComPort m_telnet;
    QByteArray m_queue; // bytes for the connection not yet taken by the kernel
    int m_fd = -1;
    bool m_pendingOutput = false; // written since the last successful drain
};

} // namespace zorvan
