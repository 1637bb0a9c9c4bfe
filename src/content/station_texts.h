#pragma once

#include "model/station_settings.h"
#include "settings/settings_backend.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace zorvan {

inline const QString kStationTextsSection = QStringLiteral("StationTexts");

// The labels and the radio text the operator set for the station, kept
// apart from the record, whose labels the song engine overwrites: they go
// back on air when there is no song to follow.
struct StationTexts {
    std::array<QString, kLabelCount> labels;
    std::array<qint16, kLabelCount> delays {};
    QString radioText;

    bool operator==(const StationTexts &) const = default;
};

// Taken when the operator sets or sends the labels or the radio text; never
// after the song engine wrote into the record.
StationTexts stationTextsFrom(const StationSettings &record);
// Puts them into the record, to be sent as the operator's own would be.
void putStationTexts(const StationTexts &texts, StationSettings &record);

// Section "StationTexts", with the record's own key names: "PS", "PS1" ..
// "PS99", "PSDelay", "PSDelay1" .. "PSDelay99", "RT". Without the section
// there is nothing to go back to: std::nullopt. A key missing from a
// section that exists (a hand-written section of a few labels) keeps the
// value of `record`, so the fallback never blanks a label nobody named.
std::optional<StationTexts> loadStationTexts(const SettingsBackend &store, const StationSettings &record);
void saveStationTexts(const StationTexts &texts, SettingsBackend &store);

// When the station texts go back on air. Both cases are off by default, so
// that nothing changes for a station that did not ask.
struct FallbackRule {
    // The song has not changed for this many minutes; 0 is off.
    int minutes = 0;
    // The source says nothing: an empty song file, a stopped player. Apart
    // from the timer because an empty file is the normal state of some
    // play-outs between items, where the operator wants the labels to stay.
    bool onEmptySong = false;

    bool isOff() const { return minutes <= 0 && !onEmptySong; }
    bool operator==(const FallbackRule &) const = default;
};

// In section "Driver": "FallbackMinutes" (0 .. 1440) and
// "FallbackOnEmptySong" (0 or 1).
// Values that cannot be used are named in `unusable`.
FallbackRule loadFallbackRule(const SettingsBackend &store, QStringList *unusable = nullptr);
void saveFallbackRule(const FallbackRule &rule, SettingsBackend &store);

enum class OnAir { Song, Station };

// What decideFallback remembers between ticks.
struct FallbackState {
    OnAir onAir = OnAir::Song;
    QString lastSong; // the song text of the last tick
    QDateTime lastChange; // when it became that text; invalid before the first tick
};

enum class FallbackDecision {
    Nothing,
    PutStationTexts, // once, when a case of the rule is met
    ResumeSong, // a new song came while the station texts were on air
};

// One tick of the song source, with the time passed in. `songText` is the
// shown text after the rules; a text the rules ignore is no song: pass the
// last one again, so the timer goes on. Call it only when there are station
// texts to put on air (with none, leave the state alone).
// Without onEmptySong an empty song is a text like any other: the timer
// runs on it. The station texts stay on air until a new, non-empty song
// comes.
FallbackDecision decideFallback(FallbackState &state, const FallbackRule &rule, const QString &songText,
    bool songEmpty, const QDateTime &now);

} // namespace zorvan
