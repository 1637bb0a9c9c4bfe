#include "model/af_list.h"

#include "model/list_choice.h"

namespace zorvan {

namespace {

constexpr int kAfBaseTenthsMHz = 875;

} // namespace

QString afEntryText(int code)
{
    if (code == 0)
        return kAfEmptyText;
    if (code < 0 || code >= kAfEntryCount)
        return QString();
    const int tenths = kAfBaseTenthsMHz + code;
    const int whole = tenths / 10;
    const int fraction = tenths % 10;
    if (fraction == 0)
        return QString::number(whole);
    return QStringLiteral("%1.%2").arg(whole).arg(fraction);
}

QStringList afEntries()
{
    QStringList entries;
    entries.reserve(kAfEntryCount);
    for (int code = 0; code < kAfEntryCount; ++code)
        entries << afEntryText(code);
    return entries;
}

std::optional<qint16> afCodeFromText(const QString &text)
{
    if (const auto position = exactEntryPosition(afEntries(), text))
        return static_cast<qint16>(*position);
    return std::nullopt;
}

AfCodes afterAfChange(AfCodes codes, int index)
{
    if (index < 0 || index >= kAfCount)
        return codes;
    if (codes[static_cast<std::size_t>(index)] == 0) {
        for (int later = index + 1; later < kAfCount; ++later)
            codes[static_cast<std::size_t>(later)] = 0;
    }
    return codes;
}

AfCodes closeAfGaps(AfCodes codes)
{
    for (int index = 0; index < kAfCount; ++index)
        codes = afterAfChange(codes, index);
    return codes;
}

AfEnabled afListsEnabled(const AfCodes &codes)
{
    AfEnabled enabled {};
    enabled[0] = true;
    for (std::size_t index = 1; index < enabled.size(); ++index)
        enabled[index] = codes[index - 1] != 0;
    return enabled;
}

qint16 countAfList(const QStringList &shownTexts)
{
    qint16 count = 0;
    for (const QString &text : shownTexts) {
        if (count >= kAfCount || text == kAfEmptyText)
            break;
        ++count;
    }
    return count;
}

int afCountCode(qint16 afNum)
{
    return kAfCountCodeBase + afNum;
}

} // namespace zorvan
