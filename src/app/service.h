#pragma once

#include "settings/settings_backend.h"

#include <QCoreApplication>

namespace zorvan {

class IniSettingsBackend;

// The driver without a window: the same station follows the song file and
// sends to the board; every transmission and fault is one line on standard
// error. SIGHUP reads the settings file again; SIGTERM and SIGINT let a
// running transmission finish, then end the program with status 0.
int runService(QCoreApplication &app, IniSettingsBackend &settings);

} // namespace zorvan
