#pragma once

#include "settings/settings_backend.h"

#include <map>

namespace zorvan {

// A settings store in memory, for tests and benchmarks.
class MemorySettingsBackend : public SettingsBackend {
public:
    std::optional<QString> read(const QString &section, const QString &key) const override;
    void write(const QString &section, const QString &key, const QString &value) override;
    void removeSection(const QString &section) override;
    bool flush() override { return !failWrites; }
    bool readable() const override { return true; }

    // Everything written, by "section/key".
    std::map<QString, QString> values;
    // Lets tests play a medium that refuses writes.
    bool failWrites = false;
    int writeCount = 0;
};

} // namespace zorvan
