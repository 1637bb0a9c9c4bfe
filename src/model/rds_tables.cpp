#include "model/rds_tables.h"

#include <array>

namespace zorvan {

namespace {

// European broadcasting area, from the ECC allocation of EN 50067 /
// IEC 62106 (annex D). Several countries share one PI digit; the ECC
// tells them apart. Portugal with the Azores and Madeira share 8/E4.
constexpr std::array kCountries {
    RdsCountry { "Albania", "AL", 0xE0, 0x9 },
    RdsCountry { "Algeria", "DZ", 0xE0, 0x2 },
    RdsCountry { "Andorra", "AD", 0xE0, 0x3 },
    RdsCountry { "Armenia", "AM", 0xE4, 0xA },
    RdsCountry { "Austria", "AT", 0xE0, 0xA },
    RdsCountry { "Azerbaijan", "AZ", 0xE3, 0xB },
    RdsCountry { "Belarus", "BY", 0xE3, 0xF },
    RdsCountry { "Belgium", "BE", 0xE0, 0x6 },
    RdsCountry { "Bosnia-Herzegovina", "BA", 0xE4, 0xF },
    RdsCountry { "Bulgaria", "BG", 0xE1, 0x8 },
    RdsCountry { "Croatia", "HR", 0xE3, 0xC },
    RdsCountry { "Cyprus", "CY", 0xE1, 0x2 },
    RdsCountry { "Czech Republic", "CZ", 0xE2, 0x2 },
    RdsCountry { "Denmark", "DK", 0xE1, 0x9 },
    RdsCountry { "Egypt", "EG", 0xE0, 0xF },
    RdsCountry { "Estonia", "EE", 0xE4, 0x2 },
    RdsCountry { "Faroe Islands", "FO", 0xE1, 0x9 },
    RdsCountry { "Finland", "FI", 0xE1, 0x6 },
    RdsCountry { "France", "FR", 0xE1, 0xF },
    RdsCountry { "Georgia", "GE", 0xE4, 0xC },
    RdsCountry { "Germany", "DE", 0xE0, 0x1 },
    RdsCountry { "Germany", "DE", 0xE0, 0xD },
    RdsCountry { "Gibraltar", "GI", 0xE1, 0xA },
    RdsCountry { "Greece", "GR", 0xE1, 0x1 },
    RdsCountry { "Hungary", "HU", 0xE0, 0xB },
    RdsCountry { "Iceland", "IS", 0xE2, 0xA },
    RdsCountry { "Iraq", "IQ", 0xE1, 0xB },
    RdsCountry { "Ireland", "IE", 0xE3, 0x2 },
    RdsCountry { "Israel", "IL", 0xE0, 0x4 },
    RdsCountry { "Italy", "IT", 0xE0, 0x5 },
    RdsCountry { "Jordan", "JO", 0xE1, 0x5 },
    RdsCountry { "Kazakhstan", "KZ", 0xE3, 0xD },
    RdsCountry { "Kyrgyzstan", "KG", 0xE4, 0x3 },
    RdsCountry { "Latvia", "LV", 0xE3, 0x9 },
    RdsCountry { "Lebanon", "LB", 0xE3, 0xA },
    RdsCountry { "Libya", "LY", 0xE1, 0xD },
    RdsCountry { "Liechtenstein", "LI", 0xE2, 0x9 },
    RdsCountry { "Lithuania", "LT", 0xE2, 0xC },
    RdsCountry { "Luxembourg", "LU", 0xE1, 0x7 },
    RdsCountry { "Malta", "MT", 0xE0, 0xC },
    RdsCountry { "Moldova", "MD", 0xE4, 0x1 },
    RdsCountry { "Monaco", "MC", 0xE2, 0xB },
    RdsCountry { "Montenegro", "ME", 0xE3, 0x1 },
    RdsCountry { "Morocco", "MA", 0xE2, 0x1 },
    RdsCountry { "Netherlands", "NL", 0xE3, 0x8 },
    RdsCountry { "North Macedonia", "MK", 0xE3, 0x4 },
    RdsCountry { "Norway", "NO", 0xE2, 0xF },
    RdsCountry { "Palestine", "PS", 0xE0, 0x8 },
    RdsCountry { "Poland", "PL", 0xE2, 0x3 },
    RdsCountry { "Portugal", "PT", 0xE4, 0x8 },
    RdsCountry { "Romania", "RO", 0xE1, 0xE },
    RdsCountry { "Russian Federation", "RU", 0xE0, 0x7 },
    RdsCountry { "San Marino", "SM", 0xE1, 0x3 },
    RdsCountry { "Serbia", "RS", 0xE2, 0xD },
    RdsCountry { "Slovakia", "SK", 0xE2, 0x5 },
    RdsCountry { "Slovenia", "SI", 0xE4, 0x9 },
    RdsCountry { "Spain", "ES", 0xE2, 0xE },
    RdsCountry { "Sweden", "SE", 0xE3, 0xE },
    RdsCountry { "Switzerland", "CH", 0xE1, 0x4 },
    RdsCountry { "Syria", "SY", 0xE2, 0x6 },
    RdsCountry { "Tajikistan", "TJ", 0xE3, 0x5 },
    RdsCountry { "Tunisia", "TN", 0xE2, 0x7 },
    RdsCountry { "Turkey", "TR", 0xE3, 0x3 },
    RdsCountry { "Turkmenistan", "TM", 0xE4, 0xE },
    RdsCountry { "Ukraine", "UA", 0xE4, 0x6 },
    RdsCountry { "United Kingdom", "GB", 0xE1, 0xC },
    RdsCountry { "Uzbekistan", "UZ", 0xE4, 0xB },
    RdsCountry { "Vatican City", "VA", 0xE2, 0x4 },
};

// Coverage-area codes of PI bits 11..8 (EN 50067, annex D).
constexpr std::array kCoverageAreas {
    RdsCoverageArea { "L", 0, "Local: the programme goes out from one transmitter only." },
    RdsCoverageArea { "I", 1, "International: the same programme is also carried in other countries." },
    RdsCoverageArea { "N", 2, "National: the same programme is carried throughout the country." },
    RdsCoverageArea { "S", 3, "Supra-regional: the same programme covers a large part of the country." },
    RdsCoverageArea { "R1", 4, "Regional 1: the programme is carried in region 1 only." },
    RdsCoverageArea { "R2", 5, "Regional 2: the programme is carried in region 2 only." },
    RdsCoverageArea { "R3", 6, "Regional 3: the programme is carried in region 3 only." },
    RdsCoverageArea { "R4", 7, "Regional 4: the programme is carried in region 4 only." },
    RdsCoverageArea { "R5", 8, "Regional 5: the programme is carried in region 5 only." },
    RdsCoverageArea { "R6", 9, "Regional 6: the programme is carried in region 6 only." },
    RdsCoverageArea { "R7", 10, "Regional 7: the programme is carried in region 7 only." },
    RdsCoverageArea { "R8", 11, "Regional 8: the programme is carried in region 8 only." },
    RdsCoverageArea { "R9", 12, "Regional 9: the programme is carried in region 9 only." },
    RdsCoverageArea { "R10", 13, "Regional 10: the programme is carried in region 10 only." },
    RdsCoverageArea { "R11", 14, "Regional 11: the programme is carried in region 11 only." },
    RdsCoverageArea { "R12", 15, "Regional 12: the programme is carried in region 12 only." },
};

// Meaning of the TP and TA flags together (EN 50067, 3.2.1.3).
constexpr std::array kTrafficFlags {
    RdsTrafficFlags { 0, 0,
        "This programme carries no traffic announcements and no EON "
        "information about a programme that does." },
    RdsTrafficFlags { 0, 1,
        "This programme carries EON information about another programme "
        "that gives traffic announcements." },
    RdsTrafficFlags { 1, 0,
        "Traffic programme: it carries traffic announcements, but none "
        "is on air at present." },
    RdsTrafficFlags { 1, 1, "A traffic announcement is on air on this programme now." },
};

} // namespace

std::span<const RdsCountry> rdsEuropeanCountries()
{
    return kCountries;
}

std::span<const RdsCoverageArea> rdsCoverageAreas()
{
    return kCoverageAreas;
}

std::span<const RdsTrafficFlags> rdsTrafficFlags()
{
    return kTrafficFlags;
}

QString eccText(quint8 ecc)
{
    return QString::number(ecc, 16).toUpper();
}

QString countryCodeText(quint8 code)
{
    return QString::number(code, 16).toUpper();
}

} // namespace zorvan
