#include "link/com_port_map.h"

#include "settings/settings_store.h"

namespace zorvan {

namespace {

QString comKey(int comNumber)
{
    return QStringLiteral("COM%1").arg(comNumber);
}

} // namespace

QString defaultComPortDevice(int comNumber)
{
#ifdef Q_OS_WIN
    return comKey(comNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
#endif
}

QString comPortDevice(const SettingsBackend &backend, int comNumber)
{
    const auto stored = backend.read(kPortsSection, comKey(comNumber));
    if (stored && !stored->trimmed().isEmpty())
        return stored->trimmed();
    return defaultComPortDevice(comNumber);
}

void setComPortDevice(SettingsBackend &backend, int comNumber, const QString &device)
{
    const QString trimmed = device.trimmed();
    backend.write(
        kPortsSection, comKey(comNumber), trimmed.isEmpty() ? defaultComPortDevice(comNumber) : trimmed);
}

} // namespace zorvan
