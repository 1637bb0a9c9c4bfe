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
    // Every key of the section; nothing when it has none.
    virtual void removeSection(const QString &section) = 0;

    // Pushes pending writes to the medium. False when the medium could not
    // be written (read-only folder, full disk...).
    virtual bool flush() = 0;
    // False when the medium exists but could not be read.
    virtual bool readable() const = 0;
};


// The settings file in QSettings' INI format at an explicit path. Every
// value of every section is held in memory; the file is read whole at
// construction and by reload(), and written whole by flush().
class IniSettingsBackend : public SettingsBackend {
public:
    explicit IniSettingsBackend(const QString &filePath);
    ~IniSettingsBackend() override;

    std::optional<QString> read(const QString &section, const QString &key) const override;
    void write(const QString &section, const QString &key, const QString &value) override;
    void removeSection(const QString &section) override;
    // Writes every section into a new file beside the settings file, reads
    // it back, and only when it holds every value puts it in place of the
    // old one. False leaves the old file as it was: no space, a write or
    // rename refused, a value the file cannot hold, or a file that could
    // not be read when it was last loaded (reload() once it can). Never takes
    // QSettings' own lock on the settings file.
    bool flush() override;
    bool readable() const override;

    // Reads the file again; writes not yet flushed are dropped.
    void reload();

    QString filePath() const;

    // $XDG_CONFIG_HOME/KVL Systems.ini (or the platform's equivalent).
    static QString defaultFilePath();

    // Removes what saves killed half-way left beside `filePath`: the
    // folders flush() works in, and the temporary files QSettings left
    // when it wrote this file itself. Only the holder of the file's
    // InstanceLock may call it, since another instance's save in progress
    // looks the same. Returns how many entries were removed.
    static int removeSaveLeftovers(const QString &filePath);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace zorvan
