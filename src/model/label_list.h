#pragma once

#include "model/station_settings.h"

#include <QString>
#include <QStringList>

#include <array>

namespace zorvan {

using LabelTexts = std::array<QString, kLabelCount>;
using DelayPositions = std::array<int, kLabelCount>;

// The groups of the label pages: first label and how many.
struct LabelGroup {
    const char *caption;
    int first;
    int count;
};
inline constexpr std::array<LabelGroup, 4> kLabelGroups { {
    { "Static PS", 0, 1 },
    { "Dynamic PS (1-40)", 1, 40 },
    { "Dynamic PS (41-88)", 41, 47 },
    { "Dynamic PS (89-99)", 88, 12 },
} };

// Label commit: every label is fitted (not only the one touched) and the
// record takes all 100 texts.
LabelTexts commitLabels(const LabelTexts &shown, StationSettings &settings);

// Delay commit: every delay, "Delay:" and "Set all to:" are re-read from
// their lists. A position outside 0..9 (a list with no choice) leaves its
// field as it was.
void commitDelays(
    const DelayPositions &positions, int autoDelayPosition, int setAllPosition, StationSettings &settings);

// "Set all to:": every label delay takes the position of the "Set all to:"
// list. The extra stored delay PSDelay100 belongs to no label and stays.
// Returns the positions the 100 delay lists are to show.
DelayPositions setAllDelays(int setAllPosition, StationSettings &settings);

// External messages: 1 .. 3 are fitted when clicked or left, 4 .. 8 on
// every change as well (index 0 is "MSG1:").
bool messageFitsWhileTyping(int index);
QString messageCaption(int index); // "MSG1:" .. "MSG8:"

} // namespace zorvan
