#pragma once

#include <QString>

#include <span>

namespace zorvan {

// One country of the European broadcasting area: the first hexadecimal
// digit of PI and the extended country code together name the country.
struct RdsCountry {
    const char *name;
    const char *iso;
    quint8 ecc; // 0xE0 .. 0xE4
    quint8 countryCode; // 0x1 .. 0xF, the first digit of PI
};

struct RdsCoverageArea {
    const char *code; // as the "Area coverage" selector shows it
    int value; // PI bits 11..8
    const char *meaning;
};

struct RdsTrafficFlags {
    int tp;
    int ta;
    const char *meaning;
};

// Sorted by country name.
std::span<const RdsCountry> rdsEuropeanCountries();
// In the order of the "Area coverage" selector: L, I, N, S, R1 .. R12.
std::span<const RdsCoverageArea> rdsCoverageAreas();
// TP0/TA0, TP0/TA1, TP1/TA0, TP1/TA1.
std::span<const RdsTrafficFlags> rdsTrafficFlags();

QString eccText(quint8 ecc); // "E0"
QString countryCodeText(quint8 code); // "C"

} // namespace zorvan
