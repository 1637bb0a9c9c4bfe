#pragma once

#include "model/station_settings.h"

#include <array>

namespace zorvan {

// The seven option pairs of the "A0 setings" group. Each pair writes one
// field: 1 while the button that means 1 is selected, 0 otherwise.
struct FlagPair {
    const char *frameCaption;
    const char *oneCaption;
    const char *oneName;
    const char *zeroCaption;
    const char *zeroName;
    bool oneShownFirst;
    qint16 StationSettings::*field;
};

inline constexpr std::array<FlagPair, 7> kFlagPairs { {
    { "TP", "1", "Option4", "0", "Option3", false, &StationSettings::TP },
    { "TA", "1", "Option5", "0", "Option6", true, &StationSettings::TA },
    { "Music/Speech", "1", "Option8", "0", "Option7", false, &StationSettings::MS },
    { "Mono/stereo", "S", "Option16", "M", "Option15", false, &StationSettings::DId0 },
    { "Artificial head", "Y", "Option13", "N", "Option14", true, &StationSettings::DId1 },
    { "Compression", "Y", "Option12", "N", "Option11", true, &StationSettings::DId2 },
    { "Dynamic PTY", "Y", "Option9", "N", "Option10", true, &StationSettings::DId3 },
} };

inline qint16 flagValue(bool oneSelected)
{
    return oneSelected ? 1 : 0;
}

// Any non-zero stored value shows the button that means 1.
inline bool flagShowsOne(qint16 stored)
{
    return stored != 0;
}

} // namespace zorvan
