#pragma once

#include "model/station_settings.h"

#include <QStringList>

namespace zorvan {

// A stored value that its list cannot show (a hand-edited or damaged
// settings file) falls back to the record's default, so the window shows a
// real choice and the next save repairs the store. Returns the keys that
// were repaired, for example "CountryCode", "AF3", "PSDelay12".
QStringList repairUnshowableFields(StationSettings &settings);

} // namespace zorvan
