#include "link/link_failure_message.h"

#include "link/network_device.h"

namespace zorvan {

namespace {

// "device server HOST:PORT", or without the address when there is none.
QString serverName(const QString &device)
{
    const std::optional<NetworkDevice> server = parseNetworkDevice(device);
    return server ? QStringLiteral("device server ") + server->address() : QStringLiteral("device server");
}

} // namespace

QString linkFailureMessage(LinkOutcome outcome, const QString &device)
{
    switch (outcome) {
    case LinkOutcome::Sent:
        return {};
    case LinkOutcome::PortMissing:
        return QStringLiteral(
            "The selected COM port does not exist, please select another port under File > Setup");
    case LinkOutcome::PortBusy:
        return QStringLiteral("The selected COM port is in use by another program.\n"
                              "Close that program, or select another port under File > Setup");
    case LinkOutcome::PortDenied:
        return QStringLiteral("You have no permission to use the selected COM port.\n"
                              "Ask for access to it (on Linux, membership of the \"dialout\" group), "
                              "or select another port under File > Setup");
    case LinkOutcome::PortError:
        return QStringLiteral("The selected COM port could not be opened as a serial port, "
                              "please select another port under File > Setup");
    case LinkOutcome::WriteFailed:
        return QStringLiteral("Writing to the COM port failed and the transmission was stopped.\n"
                              "The device may have been disconnected; check it and send again");
    case LinkOutcome::WriteTimeout:
        return QStringLiteral("The COM port did not take the data in time and the transmission was stopped.\n"
                              "Check the cable and the encoder, then send again");
    case LinkOutcome::BadPlan:
        return QStringLiteral("The transmission could not be prepared; nothing was sent");
    case LinkOutcome::HostUnknown:
        return QStringLiteral("The ") + serverName(device)
            + QStringLiteral(" could not be found: no host of that name is known.\n"
                             "Check the name and the network, or select another port under File > Setup");
    case LinkOutcome::ServerRefused:
        return QStringLiteral("The ") + serverName(device)
            + QStringLiteral(" refused the connection.\n"
                             "Check that it is running, that the port number is right and that no other "
                             "program is connected to it, or select another port under File > Setup");
    case LinkOutcome::ServerUnreachable:
        return QStringLiteral("The ") + serverName(device)
            + QStringLiteral(" could not be reached in time.\n"
                             "Check the network and the device server, or select another port under "
                             "File > Setup");
    case LinkOutcome::ConnectionLost:
        return QStringLiteral("The connection to the ") + serverName(device)
            + QStringLiteral(" was lost and the transmission was stopped.\n"
                             "Check the network and the device server, then send again");
    }
    return {};
}

} // namespace zorvan
