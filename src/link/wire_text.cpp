#include "link/wire_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace zorvan {

QByteArray toWireText(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    // Encode character by character so that an unencodable one becomes
    // exactly one "?" and never shifts the rest of the text.
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out.append('?');
            ++i;
            continue;
        }
        const char16_t u = c.unicode();
        if (u <= 0x02) {
            out.append(' ');
            continue;
        }
        if (u < 0x80) {
            out.append(static_cast<char>(u));
            continue;
        }
        QByteArray one = encoder.isValid() ? QByteArray(encoder(QStringView(&c, 1))) : QByteArray();
        if (one.size() != 1 || encoder.hasError()) {
            encoder.resetState();
            out.append('?');
        } else {
            out.append(one);
        }
    }
    return out;
}

QString fromWireText(const QByteArray &bytes)
{
    QStringDecoder decoder("windows-1252");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder(bytes);
}

} // namespace zorvan
