#pragma once

#include <QString>

#include <optional>

namespace zorvan {

// A serial port behind a device server, as the "Ports" section names it:
// "tcp://HOST:PORT" passes the bytes as they are, "rfc2217://HOST:PORT"
// speaks Telnet with the COM Port Control Option. HOST is a name, an IPv4
// address or an IPv6 address in brackets ("[::1]").
struct NetworkDevice {
    enum class Protocol { Raw, Rfc2217 };

    Protocol protocol = Protocol::Raw;
    QString host; // without the brackets of an IPv6 address
    int port = 0;

    // As messages show it: "server.local:2001", "[fe80::1]:2001".
    QString address() const;

    bool operator==(const NetworkDevice &) const = default;
};

// Whether `device` is meant as a device server, well formed or not: such a
// name never falls through to a local device of that name.
bool namesNetworkDevice(const QString &device);

// Nothing when `device` names no device server or is malformed.
std::optional<NetworkDevice> parseNetworkDevice(const QString &device);

} // namespace zorvan
