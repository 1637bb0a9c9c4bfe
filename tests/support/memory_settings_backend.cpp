#include "memory_settings_backend.h"

namespace zorvan {

namespace {

QString joinKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

std::optional<QString> MemorySettingsBackend::read(const QString &section, const QString &key) const
{
    const auto it = values.find(joinKey(section, key));
    if (it == values.end())
        return std::nullopt;
    return it->second;
}

void MemorySettingsBackend::write(const QString &section, const QString &key, const QString &value)
{
    values[joinKey(section, key)] = value;
    ++writeCount;
}

void MemorySettingsBackend::removeSection(const QString &section)
{
    const QString prefix = joinKey(section, QString());
    std::erase_if(values, [&prefix](const auto &entry) { return entry.first.startsWith(prefix); });
}

} // namespace zorvan
