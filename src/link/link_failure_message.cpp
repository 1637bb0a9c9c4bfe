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

// The end of a message that asks for another port.
QString anotherPort(const PortChoice &choice)
{
    if (choice.settingsFile.isEmpty())
        return QStringLiteral("select another port under File > Setup");
    return QStringLiteral("name another device for COM%1 under the key COM%1 of section [Ports] in the "
                          "settings file %2")
        .arg(choice.comNumber)
        .arg(choice.settingsFile);
}

} // namespace

QString linkFailureMessage(LinkOutcome outcome, const QString &device, const PortChoice &choice)
{
    const bool server = parseNetworkDevice(device).has_value();
    switch (outcome) {
    case LinkOutcome::Sent:
        return {};
    case LinkOutcome::PortMissing:
        return QStringLiteral("The selected COM port does not exist, please ") + anotherPort(choice);
    case LinkOutcome::PortBusy:
        return QStringLiteral("The selected COM port is in use by another program.\n"
                              "Close that program, or ")
            + anotherPort(choice);
    case LinkOutcome::PortDenied:
        return QStringLiteral("You have no permission to use the selected COM port.\n"
                              "Ask for access to it (on Linux, membership of the \"dialout\" group), "
                              "or ")
            + anotherPort(choice);
    case LinkOutcome::PortError:
        return QStringLiteral("The selected COM port could not be opened as a serial port, please ")
            + anotherPort(choice);
    case LinkOutcome::WriteFailed:
        return QStringLiteral("Writing to the COM port failed and the transmission was stopped.\n"
                              "The device may have been disconnected; check it and send again");
    case LinkOutcome::WriteTimeout:
        // Over the network there is no cable to check: the server stopped
        // reading, held up by its own serial line or by a fault of its own.
        if (server)
            return QStringLiteral("The ") + serverName(device)
                + QStringLiteral(" stopped taking the data and the transmission was stopped.\n"
                                 "Check the device server and its serial line to the encoder, then send "
                                 "again");
        return QStringLiteral("The COM port did not take the data in time and the transmission was stopped.\n"
                              "Check the cable and the encoder, then send again");
    case LinkOutcome::BadPlan:
        return QStringLiteral("The transmission could not be prepared; nothing was sent");
    case LinkOutcome::HostUnknown:
        return QStringLiteral("The ") + serverName(device)
            + QStringLiteral(" could not be found: no host of that name is known.\n"
                             "Check the name and the network, or ")
            + anotherPort(choice);
    case LinkOutcome::ServerRefused:
        return QStringLiteral("The ") + serverName(device)
            + QStringLiteral(" refused the connection.\n"
                             "Check that it is running, that the port number is right and that no other "
                             "program is connected to it, or ")
            + anotherPort(choice);
    case LinkOutcome::ServerUnreachable:
        return QStringLiteral("The ") + serverName(device)
            + QStringLiteral(" could not be reached in time.\n"
                             "Check the network and the device server, or ")
            + anotherPort(choice);
    case LinkOutcome::ConnectionLost:
        return QStringLiteral("The connection to the ") + serverName(device)
            + QStringLiteral(" was lost and the transmission was stopped.\n"
                             "Check the network and the device server, then send again");
    case LinkOutcome::NotRfc2217: {
        const std::optional<NetworkDevice> raw = parseNetworkDevice(device);
        const QString tcp = raw ? QStringLiteral("tcp://") + raw->address() : QStringLiteral("tcp://");
        return QStringLiteral("The ") + serverName(device)
            + QStringLiteral(" does not answer RFC 2217: it passes the bytes through as they come.\n"
                             "Nothing more is sent to it until the port is changed: use %1 for it, or ")
                  .arg(tcp)
            + anotherPort(choice);
    }
    }
    return {};
}

} // namespace zorvan
