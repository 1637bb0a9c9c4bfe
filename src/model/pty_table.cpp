#include "model/pty_table.h"

#include "model/list_choice.h"

namespace zorvan {

QStringList ptyEntries()
{
    QStringList entries;
    for (const char *name : kPtyNames)
        entries << QString::fromLatin1(name);
    return entries;
}

std::optional<qint16> ptyFromText(const QString &text)
{
    if (const auto position = exactEntryPosition(ptyEntries(), text))
        return static_cast<qint16>(*position);
    return std::nullopt;
}

int ptyPosition(qint16 pty)
{
    return pty >= 0 && pty < kPtyCount ? pty : -1;
}

} // namespace zorvan
