#include "link/line_settings.h"

#include <array>

namespace zorvan {

namespace {

constexpr std::array<int, 4> kSpeeds = { 9600, 14400, 19200, 38400 };

} // namespace

QString LineSettings::text() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(baudRate).arg(QLatin1Char(parity)).arg(dataBits).arg(stopBits);
}

std::optional<LineSettings> LineSettingsTable(int index)
{
    if (index < 1 || index > int(kSpeeds.size()))
        return std::nullopt;
    LineSettings line;
    line.baudRate = kSpeeds[std::size_t(index - 1)];
    return line;
}

} // namespace zorvan
