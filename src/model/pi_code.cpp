#include "model/pi_code.h"

#include "model/list_choice.h"

namespace zorvan {

namespace {

constexpr int kCountryCount = 15;
constexpr int kAreaCount = 16;
constexpr int kReferenceCount = 256;
constexpr int kEccCount = 5;

int positionIfWithin(int position, int count)
{
    return position >= 0 && position < count ? position : -1;
}

} // namespace

QStringList countryEntries()
{
    QStringList entries;
    for (int code = 1; code <= kCountryCount; ++code)
        entries << QString::number(code, 16).toUpper();
    return entries;
}

QStringList areaCoverageEntries()
{
    QStringList entries { QStringLiteral("L"), QStringLiteral("I"), QStringLiteral("N"),
        QStringLiteral("S") };
    for (int region = 1; region <= 12; ++region)
        entries << QStringLiteral("R%1").arg(region);
    return entries;
}

QStringList programReferenceEntries()
{
    QStringList entries;
    for (int reference = 0; reference < kReferenceCount; ++reference)
        entries << QString::number(reference);
    return entries;
}

QStringList eccEntries()
{
    QStringList entries;
    for (int code = 0; code < kEccCount; ++code)
        entries << QStringLiteral("E%1").arg(code);
    return entries;
}

std::optional<qint16> countryCodeFromText(const QString &text)
{
    if (const auto position = exactEntryPosition(countryEntries(), text))
        return static_cast<qint16>(*position + 1);
    return std::nullopt;
}

std::optional<qint16> areaCoverageFromText(const QString &text)
{
    if (const auto position = exactEntryPosition(areaCoverageEntries(), text))
        return static_cast<qint16>(*position);
    return std::nullopt;
}

std::optional<qint16> eccFromText(const QString &text)
{
    if (const auto position = exactEntryPosition(eccEntries(), text))
        return static_cast<qint16>(*position + 1);
    return std::nullopt;
}

int countryPosition(qint16 countryCode)
{
    return positionIfWithin(countryCode - 1, kCountryCount);
}

int areaCoveragePosition(qint16 areaCoverage)
{
    return positionIfWithin(areaCoverage, kAreaCount);
}

int programReferencePosition(qint16 programReference)
{
    return positionIfWithin(programReference, kReferenceCount);
}

int eccPosition(qint16 ecc)
{
    return positionIfWithin(ecc - 1, kEccCount);
}

quint16 piCode(qint16 countryCode, qint16 areaCoverage, qint16 programReference)
{
    return static_cast<quint16>(
        ((countryCode & 0xF) << 12) | ((areaCoverage & 0xF) << 8) | (programReference & 0xFF));
}

} // namespace zorvan
