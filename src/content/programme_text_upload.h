#pragma once

#include "link/transmission.h"
#include "model/station_settings.h"

#include <QString>

#include <array>

namespace zorvan {

// What "Send RT and PS" reads, taken at the moment of the press: the radio
// text and messages of the record, and the label list as the window shows it.
struct ProgrammeTextSnapshot {
    QString RT;
    std::array<QString, kMessageCount> MG;
    std::array<QString, kLabelCount> labels; // label fields 0 .. 99 as they stand
    std::array<QString, kLabelCount> delays; // shown texts of the delay lists
};

// The 210 frames of "Send RT and PS": radio text, the eight messages, the
// hundred labels and delays, then the store command.
Transmission SendRtAndPs(const ProgrammeTextSnapshot &snapshot);

} // namespace zorvan
