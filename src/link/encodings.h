#pragma once

#include <QByteArray>

namespace zorvan {

// The ASCII decimal digits of `value`, filled on the left with "0" to
// `width`; a number longer than `width` is sent whole. The editors never
// produce a negative value; should one reach the wire it keeps its "-" in
// front of the filled digits rather than being misread as a positive one.
QByteArray DecimalText(qint64 value, int width = 0);

// The board reads small quantities as one byte of quantity + 4, keeping the
// bytes 0x00..0x03 free for framing.
inline constexpr int kOffsetByteBias = 4;
inline constexpr int kOffsetByteMax = 255 - kOffsetByteBias;

constexpr bool offsetByteFits(int quantity)
{
    return quantity >= 0 && quantity <= kOffsetByteMax;
}

// One byte, quantity + 4. A quantity outside 0..251 has no such byte and
// gives an empty array: callers check `offsetByteFits` first.
QByteArray OffsetByte(int quantity);

} // namespace zorvan
