#include "link/telnet_com_port.h"

namespace zorvan {

namespace {

// Telnet commands (RFC 854).
constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

// Client-to-server commands of the COM Port Control Option (RFC 2217).
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kSetControl = 5;
constexpr std::uint8_t kNoFlowControl = 1;

struct ParityCode {
    char parity;
    std::uint8_t code;
};
constexpr ParityCode kParityCodes[] = { { 'N', 1 }, { 'O', 2 }, { 'E', 3 }, { 'M', 4 }, { 'S', 5 } };

bool weWill(std::uint8_t option)
{
    return option == TelnetComPort::kBinary || option == TelnetComPort::kSuppressGoAhead
        || option == TelnetComPort::kComPort;
}

// An echo would only send the frames back for nothing.
bool theyMay(std::uint8_t option)
{
    return option == TelnetComPort::kBinary || option == TelnetComPort::kSuppressGoAhead;
}

void command(QByteArray &out, std::uint8_t verb, std::uint8_t option)
{
    out.append(char(kIac)).append(char(verb)).append(char(option));
}

void subnegotiation(QByteArray &out, std::uint8_t code, const QByteArray &value)
{
    out.append(char(kIac)).append(char(kSb)).append(char(TelnetComPort::kComPort)).append(char(code));
    out.append(TelnetComPort::escape(value));
    out.append(char(kIac)).append(char(kSe));
}

} // namespace

QByteArray TelnetComPort::greeting()
{
    QByteArray out;
    m_local[kBinary] = State::Asked;
    command(out, kWill, kBinary);
    m_remote[kBinary] = State::Asked;
    command(out, kDo, kBinary);
    m_local[kComPort] = State::Asked;
    command(out, kWill, kComPort);
    return out;
}

QByteArray TelnetComPort::receive(const QByteArray &bytes)
{
    QByteArray answer;
    for (const char c : bytes) {
        const auto b = std::uint8_t(c);
        switch (m_parse) {
        case Parse::Data:
            if (b == kIac)
                m_parse = Parse::Command;
            break;
        case Parse::Command:
            m_heardTelnet = m_heardTelnet || b != kIac;
            if (b >= kWill && b <= kDont) {
                m_verb = b;
                m_parse = Parse::Option;
            } else {
                // IAC IAC is a data byte; NOP, GA, AYT and the like need nothing.
                m_parse = b == kSb ? Parse::Sub : Parse::Data;
            }
            break;
        case Parse::Option:
            negotiate(m_verb, b, answer);
            m_parse = Parse::Data;
            break;
        case Parse::Sub:
            if (b == kIac)
                m_parse = Parse::SubCommand;
            break;
        case Parse::SubCommand:
            m_parse = b == kSe ? Parse::Data : Parse::Sub;
            break;
        }
    }
    return answer;
}

void TelnetComPort::negotiate(std::uint8_t verb, std::uint8_t option, QByteArray &answer)
{
    const bool aboutUs = verb == kDo || verb == kDont;
    const bool enable = verb == kDo || verb == kWill;
    State &state = aboutUs ? m_local[option] : m_remote[option];
    const std::uint8_t yes = aboutUs ? kWill : kDo;
    const std::uint8_t no = aboutUs ? kWont : kDont;
    if (aboutUs && option == kComPort)
        m_comPortAnswered = true;

    if (enable) {
        if (state == State::Asked) {
            state = State::On;
        } else if (state == State::Off) {
            const bool accept = aboutUs ? weWill(option) : theyMay(option);
            if (accept)
                state = State::On;
            command(answer, accept ? yes : no, option);
        }
    } else {
        if (state == State::On)
            command(answer, no, option);
        state = State::Off;
    }
}

QByteArray TelnetComPort::lineCommands(const LineSettings &line)
{
    QByteArray out;
    const auto baud = std::uint32_t(line.baudRate);
    const char baudBytes[] = { char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud) };
    subnegotiation(out, kSetBaudRate, QByteArray(baudBytes, 4));
    subnegotiation(out, kSetDataSize, QByteArray(1, char(line.dataBits)));
    std::uint8_t parity = 1;
    for (const ParityCode &p : kParityCodes) {
        if (p.parity == line.parity)
            parity = p.code;
    }
    subnegotiation(out, kSetParity, QByteArray(1, char(parity)));
    // 1 stands for one stop bit, 2 for two.
    subnegotiation(out, kSetStopSize, QByteArray(1, char(line.stopBits == 2 ? 2 : 1)));
    subnegotiation(out, kSetControl, QByteArray(1, char(kNoFlowControl)));
    return out;
}

QByteArray TelnetComPort::escape(const QByteArray &data)
{
    if (!data.contains(char(kIac)))
        return data;
    QByteArray out;
    out.reserve(data.size() + data.count(char(kIac)));
    for (const char c : data) {
        out.append(c);
        if (std::uint8_t(c) == kIac)
            out.append(c);
    }
    return out;
}

} // namespace zorvan
