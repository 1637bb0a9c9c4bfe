#include "station/driver_options.h"

#include <algorithm>

namespace zorvan {

namespace {

const QString kClockSyncKey = QStringLiteral("ClockSyncMinutes");
const QString kWatchKey = QStringLiteral("WatchSongFile");
const QString kOriginKey = QStringLiteral("SongSource");
const QString kPlayerKey = QStringLiteral("Player");

} // namespace

DriverOptions loadDriverOptions(const SettingsBackend &store, QStringList *unusable)
{
    DriverOptions options;
    const auto refused = [unusable](const QString &key, const QString &stored, const QString &usedInstead) {
        if (unusable)
            unusable->append(unusableSettingText(kDriverSection, key, stored, usedInstead));
    };
    if (const auto stored = store.read(kDriverSection, kClockSyncKey)) {
        bool ok = false;
        const int minutes = stored->trimmed().toInt(&ok);
        // A hand-edited value that is no choice of the list is taken as off
        // rather than as a flood of clock frames.
        if (ok
            && std::find(std::begin(kClockSyncChoices), std::end(kClockSyncChoices), minutes)
                != std::end(kClockSyncChoices))
            options.clockSyncMinutes = minutes;
        else
            refused(kClockSyncKey, *stored, QStringLiteral("0 (off)"));
    }
    if (const auto stored = store.read(kDriverSection, kWatchKey)) {
        const auto flag = storedTextToFlag(*stored);
        options.watchSongFile = flag.value_or(true);
        if (!flag)
            refused(kWatchKey, *stored, QStringLiteral("True"));
    }
    if (const auto stored = store.read(kDriverSection, kOriginKey)) {
        const QString origin = stored->trimmed();
        options.songOrigin = origin == QLatin1String("Player") ? SongOrigin::Player
            : origin == QLatin1String("Network")               ? SongOrigin::Network
                                                               : SongOrigin::File;
        if (origin != QLatin1String("Player") && origin != QLatin1String("Network")
            && origin != QLatin1String("File"))
            refused(kOriginKey, *stored, QStringLiteral("File"));
    }
    options.playerName = store.read(kDriverSection, kPlayerKey).value_or(QString()).trimmed();
    return options;
}

void saveDriverOptions(const DriverOptions &options, SettingsBackend &store)
{
    store.write(kDriverSection, kClockSyncKey, QString::number(options.clockSyncMinutes));
    store.write(
        kDriverSection, kWatchKey, options.watchSongFile ? QStringLiteral("True") : QStringLiteral("False"));
    store.write(kDriverSection, kOriginKey,
        options.songOrigin == SongOrigin::Player        ? QStringLiteral("Player")
            : options.songOrigin == SongOrigin::Network ? QStringLiteral("Network")
                                                        : QStringLiteral("File"));
    store.write(kDriverSection, kPlayerKey, options.playerName);
}

} // namespace zorvan
