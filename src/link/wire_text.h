#pragma once

#include <QByteArray>
#include <QString>

namespace zorvan {

// Text as the board takes it: one Windows-1252 byte per character. A
// character without a Windows-1252 form goes out as "?"; the frame bytes
// 0x00, 0x01 and 0x02 would end or split the frame, so they go out as blanks.
QByteArray toWireText(const QString &text);

// The reverse, for the simulator and for tests.
QString fromWireText(const QByteArray &bytes);

} // namespace zorvan
