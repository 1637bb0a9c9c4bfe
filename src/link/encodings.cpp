#include "link/encodings.h"

namespace zorvan {

QByteArray DecimalText(qint64 value, int width)
{
    const bool negative = value < 0;
    // The magnitude through unsigned arithmetic so that the smallest qint64
    // does not overflow on negation.
    const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
    QByteArray digits = QByteArray::number(magnitude).rightJustified(width, '0');
    if (negative)
        digits.prepend('-');
    return digits;
}

QByteArray OffsetByte(int quantity)
{
    if (!offsetByteFits(quantity))
        return {};
    return QByteArray(1, static_cast<char>(quantity + kOffsetByteBias));
}

} // namespace zorvan
