#include "model/setup_choices.h"

#include "model/list_choice.h"

namespace zorvan {

namespace {

std::optional<QString> entryFor(const QStringList &entries, qint16 value)
{
    if (value < 1 || value > entries.size())
        return std::nullopt;
    return entries.at(value - 1);
}

std::optional<qint16> valueFor(const QStringList &entries, const QString &text)
{
    const auto position = exactEntryPosition(entries, text);
    if (!position)
        return std::nullopt;
    return static_cast<qint16>(*position + 1);
}

} // namespace

QStringList comPortEntries()
{
    QStringList entries;
    for (int port = 1; port <= 8; ++port)
        entries << QStringLiteral("COM %1").arg(port);
    return entries;
}

QStringList baudRateEntries()
{
    return { QStringLiteral("9600"), QStringLiteral("14400"), QStringLiteral("19200"),
        QStringLiteral("38400") };
}

std::optional<QString> comPortEntryText(qint16 comSelected)
{
    return entryFor(comPortEntries(), comSelected);
}

std::optional<QString> baudRateEntryText(qint16 comSpeed)
{
    return entryFor(baudRateEntries(), comSpeed);
}

std::optional<qint16> comSelectedFromText(const QString &text)
{
    return valueFor(comPortEntries(), text);
}

std::optional<qint16> comSpeedFromText(const QString &text)
{
    return valueFor(baudRateEntries(), text);
}

} // namespace zorvan
