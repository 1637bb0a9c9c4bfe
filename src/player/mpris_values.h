#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace zorvan {

// The names of the MPRIS D-Bus interface (org.mpris.MediaPlayer2, version 2.2).
inline const QString kMprisBusPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
inline const QString kMprisObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
inline const QString kMprisRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
inline const QString kMprisPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
inline const QString kDBusPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// Values inside a{sv} arrive either already converted or still marshalled,
// depending on their D-Bus type.
QVariant unwrapDBusValue(const QVariant &value);
// An a{sv} as a map with every value unwrapped.
QVariantMap dbusMap(const QVariant &value);
// An array of texts, or one text, as a list.
QStringList dbusTextList(const QVariant &value);

} // namespace zorvan
