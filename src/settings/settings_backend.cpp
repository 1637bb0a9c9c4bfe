#include "settings/settings_backend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
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

    QString path;
    // By QSettings key, "section/key" (a key of [General] has no section).
    std::map<QString, QVariant> values;
    bool readable = true;
    // A file that could not be opened at all: what it holds is unknown, so
    // writing only what is known would lose the rest.
    bool contentUnknown = false;
};

void IniSettingsBackend::Impl::load()
{
    const QFileInfo info(path);
    QFile file(path);
    const bool opened = info.isFile() && file.open(QIODevice::ReadOnly);
    contentUnknown = info.isFile() && !opened;
    // QSettings quietly treats an unreadable file as empty; the window
    // wants to know.
    readable = !info.exists() || (opened && !looksDamaged(file.readAll()));
    const QSettings reader(path, QSettings::IniFormat);
    if (reader.status() == QSettings::FormatError)
        readable = false;
    values.clear();
    for (const QString &key : reader.allKeys())
        values[key] = reader.value(key);
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
    if (targetInfo.isFile())
        QFile::setPermissions(checked, targetInfo.permissions());
    if (!replaceFile(checked, target))
        return false;
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
    // A value that holds a comma comes back as a list; join it again.
    if (it->second.metaType().id() == QMetaType::QStringList)
        return it->second.toStringList().join(QLatin1Char(','));
    return it->second.toString();
}

void IniSettingsBackend::write(const QString &section, const QString &key, const QString &value)
{
    d->values[joinKey(section, key)] = value;
}

void IniSettingsBackend::removeSection(const QString &section)
{
    const QString prefix = joinKey(section, QString());
    std::erase_if(d->values, [&prefix](const auto &entry) { return entry.first.startsWith(prefix); });
}

bool IniSettingsBackend::flush()
{
    return d->writeWhole();
}

bool IniSettingsBackend::readable() const
{
    return d->readable;
}

void IniSettingsBackend::reload()
{
    d->load();
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
        const QStringView suffix = QStringView(entry.fileName()).mid(name.size() + 1);
        const QStringView scratchSuffix = QStringView(entry.fileName()).mid(name.size());
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
