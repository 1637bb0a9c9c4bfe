#pragma once

#include <QString>

#include <optional>

namespace zorvan {

// The board's line is always 8 data bits, no parity, 1 stop bit; only the
// speed is chosen.
struct LineSettings {
    int baudRate = 9600;
    int dataBits = 8;
    char parity = 'N';
    int stopBits = 1;

    // As the setup dialog and the status show it: "14400,N,8,1".
    QString text() const;

    constexpr bool operator==(const LineSettings &) const = default;
};

// What a port uses before any speed has been chosen.
inline constexpr LineSettings kInitialLineSettings {};

// `COMSpeed` 1..4 gives 9600, 14400, 19200 or 38400 baud. Any other index
// gives no settings: the port keeps the settings it used last.
std::optional<LineSettings> LineSettingsTable(int index);

} // namespace zorvan
