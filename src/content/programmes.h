#pragma once

#include "content/station_texts.h"
#include "settings/settings_backend.h"

#include <QString>
#include <QStringList>
#include <QTime>

#include <array>
#include <optional>
#include <vector>

namespace zorvan {

// Sections "Programme1", "Programme2" ... are read up to this number; gaps
// are allowed, so that removing one by hand does not lose the rest.
inline constexpr int kMostProgrammes = 99;

// A show with its own texts, on the days and between the times of day it
// runs (wall-clock time of the computer's zone).
struct Programme {
    QString name;
    std::array<bool, 7> days {}; // Monday first, as QDate::dayOfWeek() - 1
    QTime start;
    // At or before `start`: the programme runs past midnight; equal to
    // `start`: a whole day.
    QTime end;
    // Its texts are the station texts that the fallback puts on air, and
    // the song goes on being followed; otherwise its texts stay on air for
    // its whole span, whatever the song.
    bool followSongs = false;
    // What it does not name keeps the station's.
    std::array<std::optional<QString>, kLabelCount> labels;
    std::array<std::optional<qint16>, kLabelCount> delays;
    std::optional<QString> radioText;

    bool operator==(const Programme &) const = default;
};

// The station texts with what the programme names put over them.
StationTexts programmeTexts(const StationTexts &station, const Programme &programme);

// "Mon-Fri", "Sat,Sun", "Mon,Wed-Fri", "Fri-Mon" (a range may wrap past
// Sunday); names in English, any case. std::nullopt for anything else or
// no day at all.
std::optional<std::array<bool, 7>> parseProgrammeDays(const QString &text);
// The shortest form: ranges of three days or more, "Mon-Fri,Sun".
QString programmeDaysText(const std::array<bool, 7> &days);
// "HH:MM" (one-digit hours too); "24:00" is the midnight at the end of a day.
std::optional<QTime> parseProgrammeTime(const QString &text);

struct LoadedProgrammes {
    std::vector<Programme> programmes;
    // One line for each value that could not be used, saying what was done
    // instead.
    QStringList problems;
};

// Keys: "Name", "Days", "Start", "End", "FollowSongs" ("True"/"False"), and
// the record's label keys "PS", "PS1" .. "PS99", "PSDelay" ..
// "PSDelay99" and "RT". Labels are fitted to 8 characters and the radio
// text to the board's rule, since a file edited by hand holds either as
// typed. A programme without usable days or times is left out.
LoadedProgrammes loadProgrammes(const SettingsBackend &store);
// Writes them as Programme1 .. ProgrammeN and removes the sections after.
void saveProgrammes(const std::vector<Programme> &programmes, SettingsBackend &store);

} // namespace zorvan
