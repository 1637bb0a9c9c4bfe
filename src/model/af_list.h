#pragma once

#include "model/station_settings.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace zorvan {

// Each AF list holds "empty" and the 204 frequencies 87.6 .. 107.9 MHz; the
// position is the RDS AF code (EN 50067, 3.2.1.6.1: code n = 87.5 + n x 0.1).
inline constexpr int kAfEntryCount = 205;
inline constexpr int kAfCountCodeBase = 224; // "number of AFs follows" codes 224..249
inline const QString kAfEmptyText = QStringLiteral("empty");

using AfCodes = std::array<qint16, kAfCount>;
using AfEnabled = std::array<bool, kAfCount>;

// "empty" for 0, then the MHz with one decimal, none for whole values
// ("88", "88.1", "100"); an empty text for codes outside 0..204.
QString afEntryText(int code);
QStringList afEntries();
std::optional<qint16> afCodeFromText(const QString &text);

// The chain rule after list `index` (0 for AF1) changed: a list set to no
// frequency clears every later list, so the frequencies always form a
// prefix without gaps.
AfCodes afterAfChange(AfCodes codes, int index);

// Start-up: the lists are set in order AF1 .. AF7, each running the chain
// rule, so a stored gap empties everything after it.
AfCodes closeAfGaps(AfCodes codes);

// AF1 is always open; every later list is open when the one before it
// holds a frequency.
AfEnabled afListsEnabled(const AfCodes &codes);

// AFNum: how many lists, from AF1 on, show a frequency; the first "empty"
// ends the count.
qint16 countAfList(const QStringList &shownTexts);
int afCountCode(qint16 afNum);

} // namespace zorvan
