#include "link/network_device.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace zorvan {

namespace {

struct Scheme {
    const char *prefix;
    NetworkDevice::Protocol protocol;
};

constexpr std::array kSchemes {
    Scheme { "tcp://", NetworkDevice::Protocol::Raw },
    Scheme { "rfc2217://", NetworkDevice::Protocol::Rfc2217 },
};

const Scheme *schemeOf(const QString &device)
{
    for (const Scheme &scheme : kSchemes) {
        if (device.startsWith(QLatin1String(scheme.prefix), Qt::CaseInsensitive))
            return &scheme;
    }
    return nullptr;
}

bool validHostName(const QString &host)
{
    if (host.isEmpty() || host.size() > 253)
        return false;
    for (const QChar c : host) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != QLatin1Char('-') && c != QLatin1Char('.')
            && c != QLatin1Char('_'))
            return false;
    }
    return true;
}

// The resolver has the last word; this only keeps out what cannot be one.
bool plausibleIpv6(const QString &host)
{
    return host.contains(QLatin1Char(':')) && std::all_of(host.begin(), host.end(), [](QChar c) {
        return c.unicode() < 0x80
            && (std::isxdigit(int(c.unicode())) || c == QLatin1Char(':') || c == QLatin1Char('.'));
    });
}

} // namespace

QString NetworkDevice::address() const
{
    const bool ipv6 = host.contains(QLatin1Char(':'));
    return (ipv6 ? QLatin1Char('[') + host + QLatin1Char(']') : host) + QLatin1Char(':')
        + QString::number(port);
}

bool namesNetworkDevice(const QString &device)
{
    return schemeOf(device) != nullptr;
}

std::optional<NetworkDevice> parseNetworkDevice(const QString &device)
{
    const Scheme *scheme = schemeOf(device);
    if (!scheme)
        return std::nullopt;
    const QString rest = device.mid(qsizetype(qstrlen(scheme->prefix)));
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return std::nullopt;
    QString host = rest.left(colon);
    const QString portText = rest.mid(colon + 1);

    bool ok = false;
    const int port = portText.toInt(&ok);
    const bool digitsOnly = !portText.isEmpty()
        && std::all_of(portText.begin(), portText.end(), [](QChar c) { return c.isDigit(); });
    if (!ok || !digitsOnly || port < 1 || port > 65535)
        return std::nullopt;

    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
        host = host.mid(1, host.size() - 2);
        if (!plausibleIpv6(host))
            return std::nullopt;
    } else if (!validHostName(host)) {
        return std::nullopt;
    }
    return NetworkDevice { scheme->protocol, host, port };
}

} // namespace zorvan
