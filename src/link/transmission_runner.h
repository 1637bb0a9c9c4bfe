#pragma once

#include "link/transmission.h"

#include <functional>

namespace zorvan {

// How a transmission ended.
enum class LinkOutcome {
    Sent, // every step ran, the port closed with all bytes gone
    PortMissing, // the device does not exist: nothing was sent
    PortBusy, // another program holds the port: nothing was sent
    PortDenied, // no permission to open the device: nothing was sent
    PortError, // the device exists but could not be opened or set up
    WriteFailed, // a write failed part way (device unplugged, I/O error)
    WriteTimeout, // the line did not take the bytes in time
    BadPlan, // the plan cannot be sent (for example a clock out of range)
    HostUnknown, // the device server's name does not resolve: nothing was sent
    ServerRefused, // nothing listens at the device server's port: nothing was sent
    ServerUnreachable, // no route to the device server or no answer: nothing was sent
    ConnectionLost, // the device server dropped the connection part way
    NotRfc2217, // rfc2217:// to a raw device server: only the Telnet offer went out
};

// Runs transmission plans one at a time without blocking the window. The
// program's runner is EncoderLink; tests use a synchronous fake.
class TransmissionRunner {
public:
    virtual ~TransmissionRunner() = default;

    // Starts the plan; `done` is called once, on the caller's thread, when
    // the port is closed again. Refused (returns false, `done` not called)
    // while another plan runs.
    virtual bool run(const Transmission &plan, std::function<void(LinkOutcome)> done) = 0;
    virtual bool busy() const = 0;
};

} // namespace zorvan
