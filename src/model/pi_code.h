#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace zorvan {

// The four selectors of the PI code. Country code, area coverage and ECC
// are taken from the shown text; the programme reference from the position.
QStringList countryEntries(); // "1" .. "9", "A" .. "F": CountryCode = position + 1
QStringList areaCoverageEntries(); // "L", "I", "N", "S", "R1" .. "R12": AreaCoverage = position
QStringList programReferenceEntries(); // "0" .. "255": ProgramReference = position
QStringList eccEntries(); // "E0" .. "E4": ECC = position + 1

std::optional<qint16> countryCodeFromText(const QString &text);
std::optional<qint16> areaCoverageFromText(const QString &text);
std::optional<qint16> eccFromText(const QString &text);

// Selector positions of stored values; -1 when the value has no entry.
int countryPosition(qint16 countryCode);
int areaCoveragePosition(qint16 areaCoverage);
int programReferencePosition(qint16 programReference);
int eccPosition(qint16 ecc);

// The 16-bit PI code (EN 50067, 3.2.1.1): country, area, reference nibbles.
quint16 piCode(qint16 countryCode, qint16 areaCoverage, qint16 programReference);

} // namespace zorvan
