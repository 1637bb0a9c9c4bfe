#include "station/driver_options.h"

#include <algorithm>

namespace zorvan {

namespace {

const QString kClockSyncKey = QStringLiteral("ClockSyncMinutes");
const QString kWatchKey = QStringLiteral("WatchSongFile");

} // namespace

DriverOptions loadDriverOptions(const SettingsBackend &store)
{
    DriverOptions options;
    if (const auto stored = store.read(kDriverSection, kClockSyncKey)) {
        bool ok = false;
        const int minutes = stored->trimmed().toInt(&ok);
        // A hand-edited value that is no choice of the list is taken as off
        // rather than as a flood of clock frames.
        if (ok && std::find(std::begin(kClockSyncChoices), std::end(kClockSyncChoices), minutes)
                != std::end(kClockSyncChoices))
            options.clockSyncMinutes = minutes;
    }
    if (const auto stored = store.read(kDriverSection, kWatchKey))
        options.watchSongFile = stored->trimmed().compare(QLatin1String("False"), Qt::CaseInsensitive) != 0;
    return options;
}

void saveDriverOptions(const DriverOptions &options, SettingsBackend &store)
{
    store.write(kDriverSection, kClockSyncKey, QString::number(options.clockSyncMinutes));
    store.write(kDriverSection, kWatchKey, options.watchSongFile ? QStringLiteral("True") : QStringLiteral("False"));
}

} // namespace zorvan
