#include "model/list_choice.h"

namespace zorvan {

std::optional<int> exactEntryPosition(const QStringList &entries, const QString &text)
{
    const qsizetype position = entries.indexOf(text);
    if (position < 0)
        return std::nullopt;
    return static_cast<int>(position);
}

QStringList delayEntries()
{
    QStringList entries;
    for (int delay = 0; delay < kDelayEntryCount; ++delay)
        entries << QString::number(delay);
    return entries;
}

} // namespace zorvan
