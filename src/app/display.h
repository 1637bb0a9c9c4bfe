#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace zorvan {

// Whether a window can open at all. Without a display Qt's platform
// plug-in aborts the program with a message about reinstalling it, so a
// start without one is refused first, in words that say what to do. Header
// only: zorvan-sim asks it too.
inline bool displayAvailable()
{
    const auto isSet = [](const char *name) { return !qEnvironmentVariableIsEmpty(name); };
    const QString platforms = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platforms.isEmpty())
        return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
    // QT_QPA_PLATFORM may list fall-backs ("wayland;xcb"); only the plug-ins
    // of a display server need one, "offscreen" or "vnc" do not.
    for (const QString &entry : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString platform = entry.section(QLatin1Char(':'), 0, 0);
        if (platform == QLatin1String("xcb")) {
            if (isSet("DISPLAY"))
                return true;
        } else if (platform.startsWith(QLatin1String("wayland"))) {
            if (isSet("WAYLAND_DISPLAY"))
                return true;
        } else {
            return true;
        }
    }
    return false;
}

} // namespace zorvan
