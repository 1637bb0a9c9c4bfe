#pragma once

#include <QString>
#include <QStringList>

namespace zorvan {

// The serial devices present under `deviceFolder`, for the setup dialog to
// offer: first the stable names of serial/by-id (which survive replugging
// into another socket), then the ttyUSB*, ttyACM* and ttyS* nodes that no
// stable name already stands for, each group in natural order (ttyS2
// before ttyS10). A ttyS node is left out when its driver says no UART was
// found behind it, as on most machines for all but one or two of them.
QStringList listSerialDevices(const QString &deviceFolder = QStringLiteral("/dev"));

} // namespace zorvan
