#pragma once

#include "link/transmission.h"
#include "model/station_settings.h"

#include <QDate>
#include <QString>

#include <array>
#include <bitset>

namespace zorvan {

// Positions of the "Type of automatic PS and RT update" group.
enum class DynamicMode { TurnOff = 0, Split = 1, Scroll = 2 };

// Every delay list, and the "Delay:" list, offers the entries "0" to "9".
inline constexpr int kHighestDelay = 9;

// Scroll windows are blanked and switched off up to these labels, whatever
// the length of the text.
inline constexpr int kLastScrollBlankLabel = 57;
inline constexpr int kLastScrollSilencedDelay = 64;

// The label list as the window shows it: the label fields and the positions
// of their delay lists.
struct LabelList {
    std::array<QString, kLabelCount> texts;
    std::array<int, kLabelCount> delays {};

    static LabelList fromSettings(const StationSettings &settings);
    bool operator==(const LabelList &) const = default;
};

// Which label fields and which delay lists a rebuild wrote.
struct LabelWrites {
    std::bitset<kLabelCount> texts;
    std::bitset<kLabelCount> delays;

    LabelWrites &operator|=(const LabelWrites &other);
    bool operator==(const LabelWrites &) const = default;
};

// `count` characters from character `first` on, never cutting a character
// outside the Basic Multilingual Plane (two UTF-16 units) in half.
QString midCharacters(const QString &text, int first, int count);

// Day and month without leading zeros and the year's last two digits,
// "8.12.26"; a blank in front when shorter than 8, then blanks behind up to 8.
QString FormatDateLabel(const QDate &date);

// Rebuilds the labels of `mode` from the shown song text (upper case, at
// most 64 characters). `songLength` is the length of the song text before
// that cut: in scroll mode it decides how many windows are written, so a
// long text scrolls on into blank windows. `delayPosition` is the "Delay:"
// list's position.
LabelWrites BuildDynamicLabels(
    LabelList &labels, DynamicMode mode, const QString &songDisplay, int songLength, int delayPosition);

// Puts the date text into the label its mode keeps for it.
LabelWrites InsertDateLabel(
    LabelList &labels, DynamicMode mode, int songLength, int delayPosition, const QString &dateText);

// Copies exactly the written labels and delays into PS and PSDelay.
void copyWrittenLabels(const LabelList &labels, const LabelWrites &written, StationSettings &settings);

// The dynamic upload: "PS00".."PS99", then "PD00".."PD99", back to back with
// only the frame gap between frames, and no store command: the labels are
// meant for the song on air, not for the board's memory.
Transmission UploadLabelList(const LabelList &labels);

// The one "RT" frame of the radio-text update.
Transmission UpdateRadioTextPlan(const QString &rt);

} // namespace zorvan
