#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace zorvan {

// The port list: "COM 1" .. "COM 8"; entry p is `COMSelected` p + 1.
QStringList comPortEntries();
// The baud list: "9600", "14400", "19200", "38400"; entry p is `COMSpeed` p + 1.
QStringList baudRateEntries();

// What the lists show for a stored value; nothing for a value that no entry
// stands for (the list then keeps its design text).
std::optional<QString> comPortEntryText(qint16 comSelected);
std::optional<QString> baudRateEntryText(qint16 comSpeed);

// The field a typed or picked text selects, by exact, case-sensitive match
// of the whole text; nothing when it matches no entry.
std::optional<qint16> comSelectedFromText(const QString &text);
std::optional<qint16> comSpeedFromText(const QString &text);

// The design texts the lists show before a stored value is put into them.
inline const QString kComPortDesignText = QStringLiteral("COM 1");
inline const QString kBaudRateDesignText = QStringLiteral("2400");

} // namespace zorvan
