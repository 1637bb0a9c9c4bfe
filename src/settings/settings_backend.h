#pragma once

#include <QString>

#include <map>
#include <memory>
#include <optional>

namespace zorvan {

// A key-value store of texts, in named sections. The program keeps it in
// an INI file; tests keep it in memory.
class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;

    virtual std::optional<QString> read(const QString &section, const QString &key) const = 0;
    virtual void write(const QString &section, const QString &key, const QString &value) = 0;

    // Pushes pending writes to the medium. False when the medium could not
    // be written (read-only folder, full disk...).
    virtual bool flush() = 0;
    // False when the medium exists but could not be read.
    virtual bool readable() const = 0;
};

class MemorySettingsBackend : public SettingsBackend {
public:
    std::optional<QString> read(const QString &section, const QString &key) const override;
    void write(const QString &section, const QString &key, const QString &value) override;
    bool flush() override { return !failWrites; }
    bool readable() const override { return true; }

    // Everything written, by "section/key".
    std::map<QString, QString> values;
    // Lets tests play a medium that refuses writes.
    bool failWrites = false;
    int writeCount = 0;
};

// QSettings in INI format at an explicit path.
class IniSettingsBackend : public SettingsBackend {
public:
    explicit IniSettingsBackend(const QString &filePath);
    ~IniSettingsBackend() override;

    std::optional<QString> read(const QString &section, const QString &key) const override;
    void write(const QString &section, const QString &key, const QString &value) override;
    bool flush() override;
    bool readable() const override;

    QString filePath() const;

    // $XDG_CONFIG_HOME/KVL Systems.ini (or the platform's equivalent).
    static QString defaultFilePath();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zorvan
