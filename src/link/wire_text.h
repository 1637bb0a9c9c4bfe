#pragma once

#include <QByteArray>
#include <QString>

namespace zorvan {

// Text as the board takes it: one Windows-1252 byte per character.
// A character without a Windows-1252 form is first folded to its nearest
// one (Unicode decomposition, then a short table of letters that do not
// decompose): "Č" goes out as "C", "ǘ" as "ü", "ł" as "l". Every character
// Windows-1252 has goes out as its own byte, the typographic quotes, dashes,
// "…" and "€" in 0x80..0x9F included: the board takes that code page and
// stored files were written in it.
// Control characters go out as blanks: 0x00, 0x01 and 0x02 would end or
// split the frame, and the rest have no place in a label or a radio text.
// "?" stands for a character where nothing fits, one "?" per character.
QByteArray toWireText(const QString &text);

// The reverse, for the simulator and for tests.
QString fromWireText(const QByteArray &bytes);

} // namespace zorvan
