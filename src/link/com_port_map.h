#pragma once

#include "settings/settings_backend.h"

#include <QString>

namespace zorvan {

// The device that COM number n opens: the "COMn" key of the "Ports"
// section when present, else the platform's own name for COMn
// (/dev/ttyS{n-1} on Linux, COMn on Windows).
QString comPortDevice(const SettingsBackend &backend, int comNumber);
QString defaultComPortDevice(int comNumber);
// Stores the device for COM number n; an empty device restores the default.
void setComPortDevice(SettingsBackend &backend, int comNumber, const QString &device);

} // namespace zorvan
