#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace zorvan {

// Lists are matched by their shown text: exactly, case-sensitively, whole
// text, first match wins. Nothing matching gives no position.
std::optional<int> exactEntryPosition(const QStringList &entries, const QString &text);

// The entries "0" .. "9" of every delay list.
QStringList delayEntries();
inline constexpr int kDelayEntryCount = 10;

} // namespace zorvan
