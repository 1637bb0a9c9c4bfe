#pragma once

#include "settings/settings_backend.h"
#include "settings/settings_store.h"

#include <QString>

namespace zorvan {

// Where the song comes from.
enum class SongOrigin { File, Player, Network };

struct DriverOptions {
    // Minutes between automatic settings of the board's clock; 0 is off.
    int clockSyncMinutes = 0;
    // A change of the song file runs the engine at once rather than at the
    // next tick; the tick stays for file systems that tell no changes.
    bool watchSongFile = true;
    SongOrigin songOrigin = SongOrigin::File;
    // The media player followed; empty: whichever plays.
    QString playerName;

    bool operator==(const DriverOptions &) const = default;
};

// The choices offered for the clock: off, or every so many minutes. Fewer
// than 15 minutes buys nothing against a clock that drifts seconds a day.
inline constexpr int kClockSyncChoices[] = { 0, 15, 30, 60, 180, 360, 720, 1440 };

// Values that cannot be used are named in `unusable`.
DriverOptions loadDriverOptions(const SettingsBackend &store, QStringList *unusable = nullptr);
void saveDriverOptions(const DriverOptions &options, SettingsBackend &store);

} // namespace zorvan
