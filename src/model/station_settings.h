#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

namespace zorvan {

inline constexpr int kLabelCount = 100;
inline constexpr int kMessageCount = 8;
inline constexpr int kAfCount = 7;
inline constexpr int kExtraRtCount = 6;

// The one record of every station parameter and driver option. Field names
// are the keys under which the settings store keeps them; integers are
// 16-bit signed as the store has always held them.
struct StationSettings {
    StationSettings();

    // Programme identification.
    qint16 CountryCode = 12;
    qint16 AreaCoverage = 0;
    qint16 ProgramReference = 128;
    qint16 ECC = 2;

    // Programme type and flags.
    qint16 PTY = 10;
    qint16 TP = 0;
    qint16 TA = 0;
    qint16 MS = 1;
    qint16 DId0 = 1;
    qint16 DId1 = 1;
    qint16 DId2 = 1;
    qint16 DId3 = 1;

    // Alternative frequencies: AF[0] is AF1 .. AF[6] is AF7.
    std::array<qint16, kAfCount> AF { 125, 0, 0, 0, 0, 0, 0 };
    qint16 AFNum = 0;
    bool TransmitAF = false;

    // Programme-service labels.
    std::array<QString, kLabelCount> PS;
    std::array<qint16, kLabelCount> PSDelay {};
    qint16 PSDelay100 = 0;
    qint16 SETTOSAMEDELAY = 0;

    // Radio text and external messages.
    QString RT;
    std::array<QString, kMessageCount> MG;
    std::array<QString, kExtraRtCount> RTn; // RT1 .. RT6

    // Dynamic update options.
    qint16 AutoPS = 0;
    qint16 AutoPSDelay = 1;
    QString AutoPSPath = QStringLiteral("c:\\SongName.txt");
    QString GetMP3Tag = QStringLiteral("c:\\SongName.txt");
    qint16 RTSwitch = 1;
    bool InsertDate = true;
    bool InsertTime = true;
    bool ScrollPS = true;
    bool AutoPSSplit = true;
    qint16 TurboPSDelay = 2;
    qint16 DynamicPS = 0;
    qint16 DynamicRT = 0;
    QString WinAmpVersion = QStringLiteral("Studio");

    // Link and shell options.
    qint16 COMSelected = 1;
    qint16 COMSpeed = 2;
    qint16 MODE = 0;
    bool RDSActive = true;
    bool TrayAtStart = false;
    qint16 BaseAddress = 10;

    bool operator==(const StationSettings &) const = default;
};

// Defaults that are texts of the product rather than plain numbers.
QString defaultLabel(int index);
qint16 defaultLabelDelay(int index);
QString defaultMessage(int index);
QString defaultRadioText();
QString defaultExtraRadioText(int index); // index 0 is RT1

} // namespace zorvan
