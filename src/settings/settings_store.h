#pragma once

#include "model/station_settings.h"
#include "settings/settings_backend.h"

#include <QStringList>

namespace zorvan {

inline const QString kSettingsSection = QStringLiteral("RODIREZ500+");
inline const QString kPortsSection = QStringLiteral("Ports");
// The driver's own options, which the station section does not hold.
inline const QString kDriverSection = QStringLiteral("Driver");

enum class StoreStatus { Ok, Unreadable, Unwritable };

// Fills every field of the record from the store; absent keys and texts
// that are not valid for their key yield the field's default, and each such
// text is named in `unusable` (see unusableSettingText).
StoreStatus LoadAllSettings(
    StationSettings &settings, SettingsBackend &backend, QStringList *unusable = nullptr);

// Writes every field, 257 keys, in the fixed order.
StoreStatus SaveAllSettings(const StationSettings &settings, SettingsBackend &backend);
// The same writes without pushing them to the medium.
void writeAllSettings(const StationSettings &settings, SettingsBackend &backend);

// The keys in the order SaveAllSettings writes them.
QStringList settingsKeyOrder();

// A stored value that cannot be used, as the operator is told of it once
// at load: "[Driver] SongSource=Cassette cannot be used; File is used instead".
QString unusableSettingText(
    const QString &section, const QString &key, const QString &stored, const QString &usedInstead);

// Text conversions of the store, exposed for tests and fuzzing.
std::optional<qint16> storedTextToInteger(const QString &text);
std::optional<bool> storedTextToFlag(const QString &text);
QString integerToStoredText(qint16 value);
QString flagToStoredText(bool value);

} // namespace zorvan
