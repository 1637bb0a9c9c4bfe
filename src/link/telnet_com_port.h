#pragma once

#include "link/line_settings.h"

#include <QByteArray>

#include <array>
#include <cstdint>

namespace zorvan {

// The client side of Telnet with the COM Port Control Option (RFC 2217),
// bytes in and bytes out; the connection belongs to the caller.
//
// The client sends binary both ways and offers to control the remote port.
// Whatever the server sends is read: negotiation is answered (each option
// changes state at most once per request, so two peers never loop),
// subnegotiations such as the server's acknowledgements and line-state
// notices are dropped, and so are data bytes, since the board never talks.
class TelnetComPort {
public:
    // Telnet option codes (RFC 856, RFC 858, RFC 857, RFC 2217).
    static constexpr std::uint8_t kBinary = 0;
    static constexpr std::uint8_t kEcho = 1;
    static constexpr std::uint8_t kSuppressGoAhead = 3;
    static constexpr std::uint8_t kComPort = 44;

    // What the client asks for at once after connecting.
    QByteArray greeting();

    // Takes bytes from the server, also in pieces cut anywhere; returns the
    // answers owed to it.
    QByteArray receive(const QByteArray &bytes);

    // Whether the server has said DO or DONT to controlling its port.
    bool comPortAnswered() const { return m_comPortAnswered; }
    bool comPortAccepted() const { return m_local[kComPort] == State::On; }
    // Whether the server has sent any Telnet command at all: a Telnet server
    // answers the offers of the greeting, a raw one never does.
    bool heardTelnet() const { return m_heardTelnet; }

    // The subnegotiations that set the remote port to `line` without flow
    // control. The modem lines are left alone.
    static QByteArray lineCommands(const LineSettings &line);

    // Data as it goes on the connection: every 0xFF doubled.
    static QByteArray escape(const QByteArray &data);

private:
    enum class State : std::uint8_t { Off, Asked, On };
    enum class Parse { Data, Command, Option, Sub, SubCommand };

    void negotiate(std::uint8_t verb, std::uint8_t option, QByteArray &answer);

    std::array<State, 256> m_local {}; // what this side does (WILL / WONT)
    std::array<State, 256> m_remote {}; // what the server does (DO / DONT)
    Parse m_parse = Parse::Data;
    std::uint8_t m_verb = 0;
    bool m_comPortAnswered = false;
    bool m_heardTelnet = false;
};

} // namespace zorvan
