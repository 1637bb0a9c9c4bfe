#include "settings/settings_backend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <set>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <filesystem>
#endif

namespace zorvan {

namespace {

QString joinKey(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

// A value as text: one that holds a comma comes back from QSettings as a
// list.
QString valueText(const QVariant &value)
{
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

// The file's bytes; none when it is not there or cannot be opened.
std::optional<QByteArray> fileBytes(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

namespace {

// Whether `bytes` can be a settings file that was cut short or damaged:
// control characters, or a line that is neither blank, a comment, a
// section header nor "key=value", as a write cut off mid-line leaves it.
// QSettings reads such files without complaint and drops what it cannot
// parse, which would lose the settings silently.
bool looksDamaged(const QByteArray &bytes)
{
    bool continued = false;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        for (const char c : line) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                return true;
        }
        if (line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        const QByteArray text = line.trimmed();
        const bool wellFormed = continued || text.isEmpty() || text.startsWith(';') || text.startsWith('#')
            || (text.startsWith('[') && text.endsWith(']')) || text.contains('=');
        if (!wellFormed)
            return true;
        continued = text.endsWith('\\');
    }
    return false;
}

// The settings file itself when it is a link, so that a save replaces the
// file the link points to rather than the link.
QString resolvedPath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}

const QString kScratchMarker = QStringLiteral(".saving-");

// Whether the file at `path` holds exactly `values`. A fresh QSettings
// would answer from its process-wide cache for a path this process wrote
// through QSettings, so the caller hands over a path never written by it.
bool holdsExactly(const QString &path, const std::map<QString, QVariant> &values)
{
    const QSettings reader(path, QSettings::IniFormat);
    if (reader.status() != QSettings::NoError || reader.allKeys().size() != qsizetype(values.size()))
        return false;
    for (const auto &[key, value] : values) {
        if (!reader.contains(key) || reader.value(key) != value)
            return false;
    }
    return true;
}

bool syncToDisk(const QString &path, bool folder)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), folder ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
#else
    // Left to the system where there is no fsync.
    Q_UNUSED(path);
    Q_UNUSED(folder);
    return true;
#endif
}

// Puts `from` in place of `to` in one step, so that a reader finds either
// the old file or the new one, never a mix.
bool replaceFile(const QString &from, const QString &to)
{
#ifdef Q_OS_UNIX
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#else
    std::error_code error;
    std::filesystem::rename(
        std::filesystem::path(from.toStdWString()), std::filesystem::path(to.toStdWString()), error);
    return !error;
#endif
}

bool sixLetters(QStringView text)
{
    return text.size() == 6
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isLetter() && c.unicode() < 0x80; });
}

// QSettings names its temporary file after the settings file with six
// random letters of both cases. Names a person gives a copy ("backup",
// "BACKUP", "Backup") are left alone; so are a few random ones that look
// the same.
bool looksLikeQSettingsTemporary(QStringView suffix)
{
    if (!sixLetters(suffix))
        return false;
    const bool hasUpper = std::any_of(suffix.begin(), suffix.end(), [](QChar c) { return c.isUpper(); });
    const bool hasLower = std::any_of(suffix.begin(), suffix.end(), [](QChar c) { return c.isLower(); });
    const bool capitalised = suffix.at(0).isUpper()
        && std::all_of(suffix.begin() + 1, suffix.end(), [](QChar c) { return c.isLower(); });
    return hasUpper && hasLower && !capitalised;
}

} // namespace

struct IniSettingsBackend::Impl {
    explicit Impl(const QString &path)
        : path(QFileInfo(path).absoluteFilePath())
    {
    }
    void load();
    bool writeWhole();
    bool readOnly() const;

    QString path;
    // By QSettings key, "section/key" (a key of [General] has no section).
    std::map<QString, QVariant> values;
    // Keys whose value was changed by write() since the file was last read
    // or written: they win over a change made outside.
    std::set<QString> ownWrites;
    bool readable = true;
    // A file that could not be opened at all: what it holds is unknown, so
    // writing only what is known would lose the rest.
    bool contentUnknown = false;
    // The file's bytes as last read or written, to tell someone else's
    // change from the program's own saves; none: there was no file.
    std::optional<QByteArray> disk;
};

void IniSettingsBackend::Impl::load()
{
    const QFileInfo info(path);
    disk = fileBytes(path);
    contentUnknown = info.isFile() && !disk;
    // QSettings quietly treats an unreadable file as empty; the window
    // wants to know.
    readable = !info.exists() || (disk && !looksDamaged(*disk));
    const QSettings reader(path, QSettings::IniFormat);
    if (reader.status() == QSettings::FormatError)
        readable = false;
    values.clear();
    ownWrites.clear();
    for (const QString &key : reader.allKeys())
        values[key] = reader.value(key);
}

bool IniSettingsBackend::Impl::readOnly() const
{
    const QString target = resolvedPath(path);
#ifdef Q_OS_UNIX
    struct stat st { };
    if (::stat(QFile::encodeName(target).constData(), &st) != 0)
        return false;
    // By the bits that name this user, not by access(): root may write
    // anything, yet a file made read-only (or left to another user) is the
    // operator's word that it is not to change.
    mode_t bit = S_IWOTH;
    if (st.st_uid == ::geteuid()) {
        bit = S_IWUSR;
    } else {
        bool member = st.st_gid == ::getegid();
        gid_t groups[256];
        const int count = ::getgroups(256, groups);
        for (int i = 0; i < count && !member; ++i)
            member = groups[i] == st.st_gid;
        if (member)
            bit = S_IWGRP;
    }
    return (st.st_mode & bit) == 0;
#else
    const QFileInfo info(target);
    return info.exists() && !info.isWritable();
#endif
}

bool IniSettingsBackend::Impl::writeWhole()
{
    const QString target = resolvedPath(path);
    const QFileInfo targetInfo(target);
    if (contentUnknown || !QDir().mkpath(targetInfo.absolutePath()))
        return false;
    // A folder of its own on the same file system: the rename below stays
    // one step, and QSettings' lock and temporary files live and die in it.
    QTemporaryDir scratch(targetInfo.absolutePath() + QLatin1Char('/') + targetInfo.fileName()
        + kScratchMarker + QStringLiteral("XXXXXX"));
    if (!scratch.isValid())
        return false;
    const QString written = scratch.filePath(QStringLiteral("written.ini"));
    {
        QSettings writer(written, QSettings::IniFormat);
        for (const auto &[key, value] : values)
            writer.setValue(key, value);
        writer.sync();
        if (writer.status() != QSettings::NoError)
            return false;
    }
    const QString checked = scratch.filePath(QStringLiteral("checked.ini"));
    if (!replaceFile(written, checked) || !holdsExactly(checked, values) || !syncToDisk(checked, false))
        return false;
    const std::optional<QByteArray> bytes = fileBytes(checked);
    if (!bytes)
        return false;
    if (targetInfo.isFile()) {
        QFile::setPermissions(checked, targetInfo.permissions());
#ifdef Q_OS_UNIX
        // A service run as root keeps the file its owner's; anyone else
        // cannot give a file away, and the new file is then theirs.
        struct stat st { };
        if (::stat(QFile::encodeName(target).constData(), &st) == 0
            && ::chown(QFile::encodeName(checked).constData(), st.st_uid, st.st_gid) != 0) {
            // Not root: the file is the user's, who may write it.
        }
#endif
    }
    if (!replaceFile(checked, target))
        return false;
    disk = bytes;
    ownWrites.clear();
    // The new file is in place; a folder that cannot be synced (some file
    // systems refuse) only leaves the rename to the next write-back.
    syncToDisk(targetInfo.absolutePath(), true);
    return true;
}

IniSettingsBackend::IniSettingsBackend(const QString &filePath)
    : d(std::make_unique<Impl>(filePath))
{
    d->load();
}

IniSettingsBackend::~IniSettingsBackend() = default;

std::optional<QString> IniSettingsBackend::read(const QString &section, const QString &key) const
{
    const auto it = d->values.find(joinKey(section, key));
    if (it == d->values.end() || !it->second.isValid())
        return std::nullopt;
    return valueText(it->second);
}

void IniSettingsBackend::write(const QString &section, const QString &key, const QString &value)
{
    const QString joined = joinKey(section, key);
    const auto it = d->values.find(joined);
    if (it != d->values.end() && it->second.isValid() && valueText(it->second) == value)
        return;
    d->values[joined] = value;
    d->ownWrites.insert(joined);
}

void IniSettingsBackend::removeSection(const QString &section)
{
    const QString prefix = joinKey(section, QString());
    std::erase_if(d->values, [&prefix](const auto &entry) { return entry.first.startsWith(prefix); });
}

bool IniSettingsBackend::flush()
{
    if (d->readOnly() || d->contentUnknown)
        return false;
    if (changedOutside())
        mergeOutsideChange();
    return d->writeWhole();
}

bool IniSettingsBackend::readable() const
{
    return d->readable;
}

bool IniSettingsBackend::changedOutside() const
{
    return fileBytes(d->path) != d->disk;
}

bool IniSettingsBackend::mergeOutsideChange()
{
    const std::optional<QByteArray> bytes = fileBytes(d->path);
    // An empty file is most often an editor caught between emptying the
    // file and writing it again.
    if (!bytes || bytes->isEmpty() || looksDamaged(*bytes))
        return false;
    const QSettings reader(d->path, QSettings::IniFormat);
    if (reader.status() != QSettings::NoError)
        return false;
    std::map<QString, QVariant> merged;
    for (const QString &key : reader.allKeys())
        merged[key] = reader.value(key);
    for (const QString &key : d->ownWrites)
        merged[key] = d->values[key];
    d->values = std::move(merged);
    d->disk = bytes;
    d->readable = true;
    d->contentUnknown = false;
    return true;
}

bool IniSettingsBackend::reload()
{
    if (d->disk && !QFileInfo::exists(d->path)) {
        d->readable = false;
        return false;
    }
    d->load();
    return d->readable;
}

bool IniSettingsBackend::readOnly() const
{
    return d->readOnly();
}

QString IniSettingsBackend::filePath() const
{
    return d->path;
}

int IniSettingsBackend::removeSaveLeftovers(const QString &filePath)
{
    const QFileInfo target(resolvedPath(filePath));
    const QString name = target.fileName();
    QDir folder = target.absoluteDir();
    int removed = 0;
    const auto entries = folder.entryInfoList(QStringList { name + QStringLiteral(".*") },
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        // Views into a name that lives as long as they do.
        const QString entryName = entry.fileName();
        const QStringView suffix = QStringView(entryName).mid(name.size() + 1);
        const QStringView scratchSuffix = QStringView(entryName).mid(name.size());
        if (entry.isDir() && scratchSuffix.startsWith(kScratchMarker)
            && sixLetters(scratchSuffix.mid(kScratchMarker.size()))) {
            removed += QDir(entry.filePath()).removeRecursively() ? 1 : 0;
        } else if (entry.isFile() && looksLikeQSettingsTemporary(suffix)) {
            removed += QFile::remove(entry.filePath()) ? 1 : 0;
        }
    }
    return removed;
}

QString IniSettingsBackend::defaultFilePath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir(base).filePath(QStringLiteral("KVL Systems.ini"));
}

} // namespace zorvan
