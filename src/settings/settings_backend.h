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
    // False when the medium exists but could not be read, or when it was
    // gone at a reload.
    virtual bool readable() const = 0;

    // The file behind the store; empty for a store that has none.
    virtual QString filePath() const { return QString(); }
    // Whether the medium no longer holds what this store last read from it
    // or wrote to it: someone else changed it.
    virtual bool changedOutside() const { return false; }
    // Takes in what someone else changed on the medium. A value written
    // since the last read or flush stays as written; every other value is
    // the medium's. False, with nothing changed, when the medium is absent,
    // empty or cannot be read in full.
    virtual bool mergeOutsideChange() { return false; }
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
    // rename refused, a value the file cannot hold, a file the user may not
    // write (readOnly()), or a file that could not be read when it was last
    // loaded (reload() once it can). A file changed by someone else since
    // it was read is taken in first (mergeOutsideChange()), so that what
    // they wrote is not lost. Never takes QSettings' own lock on the
    // settings file.
    bool flush() override;
    bool readable() const override;
    // Compares the file's bytes with those last read or written: the
    // program's own saves never count as a change.
    bool changedOutside() const override;
    bool mergeOutsideChange() override;

    // Reads the file again; writes not yet flushed are dropped. A file that
    // is gone is no empty file: the values in memory are kept, and false
    // (and readable() false) says so, as it does for a file that could not
    // be read in full.
    bool reload();

    // A file that exists but that the user may not write (by its
    // permission bits and owner, so that it holds for root too). flush()
    // never replaces such a file.
    bool readOnly() const;

    QString filePath() const override;

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
