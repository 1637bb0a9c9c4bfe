#pragma once

#include "model/station_settings.h"

#include <QStringList>

namespace zorvan {

// A stored value that its list cannot show (a hand-edited or damaged
// settings file) falls back to the record's default, so the window shows a
// real choice and the next save repairs the store. The on/off flags (TP,
// TA, MS, DId0..DId3) go out as one digit and are held to 0..1 the same
// way. Returns the keys that were repaired, for example "CountryCode",
// "AF3", "PSDelay12", "TA".
QStringList repairUnshowableFields(StationSettings &settings);

} // namespace zorvan
