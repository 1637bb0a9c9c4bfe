#pragma once

#include "link/transmission.h"
#include "model/station_settings.h"

#include <QString>

#include <array>

namespace zorvan {

// What "Send settings" reads, taken at the moment of the press: the record
// and the window fields that the upload reads instead of the record.
struct SettingsUploadInput {
    StationSettings settings;
    bool rdsActive = true; // the "RDS active" box as shown
    std::array<QString, kAfCount> afTexts; // shown texts of AF1 .. AF7
    QString firstLabel; // label field 0 as it stands
};

struct SettingsUpload {
    Transmission plan;
    qint16 afNum = 0; // the recounted AFNum, for the caller to store
};

// The 23 frames of "Send settings", from "PWR" to "SAVE", with their
// reports and pauses.
SettingsUpload SendSettings(const SettingsUploadInput &input);

// The same from the record alone: the window shows the record, so the box,
// the AF lists and label field 0 are read from it.
SettingsUpload SendSettings(const StationSettings &record);

} // namespace zorvan
