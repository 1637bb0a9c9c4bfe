#include "settings/settings_backend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

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

} // namespace

struct IniSettingsBackend::Impl {
    explicit Impl(const QString &path)
        : path(path)
        , settings(std::make_unique<QSettings>(path, QSettings::IniFormat))
    {
    }
    QString path;
    std::unique_ptr<QSettings> settings;
    bool readableAtStart = true;
    bool lastFlushFailed = false;
};

IniSettingsBackend::IniSettingsBackend(const QString &filePath)
    : d(std::make_unique<Impl>(filePath))
{
    const QFileInfo info(filePath);
    // QSettings reads lazily and quietly treats an unreadable file as empty;
    // the window wants to know, so look before anything is read.
    d->readableAtStart = !info.exists() || (info.isFile() && info.isReadable());
    if (d->settings->status() == QSettings::FormatError)
        d->readableAtStart = false;
    if (d->readableAtStart && info.exists()) {
        QFile file(filePath);
        if (file.open(QIODevice::ReadOnly) && looksDamaged(file.readAll()))
            d->readableAtStart = false;
    }
}

IniSettingsBackend::~IniSettingsBackend() = default;

std::optional<QString> IniSettingsBackend::read(const QString &section, const QString &key) const
{
    const QVariant v = d->settings->value(joinKey(section, key));
    if (!v.isValid())
        return std::nullopt;
    // A value that holds a comma comes back as a list; join it again.
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void IniSettingsBackend::write(const QString &section, const QString &key, const QString &value)
{
    d->settings->setValue(joinKey(section, key), value);
}

bool IniSettingsBackend::flush()
{
    const QString dir = QFileInfo(d->path).absolutePath();
    QDir().mkpath(dir);
    if (d->lastFlushFailed) {
        // QSettings keeps its first error for good, even once the file can
        // be written again: a fresh object, holding every value, tells
        // whether the medium takes writes now.
        auto fresh = std::make_unique<QSettings>(d->path, QSettings::IniFormat);
        for (const QString &key : d->settings->allKeys())
            fresh->setValue(key, d->settings->value(key));
        d->settings = std::move(fresh);
    }
    d->settings->sync();
    d->lastFlushFailed = d->settings->status() == QSettings::AccessError;
    return !d->lastFlushFailed;
}

bool IniSettingsBackend::readable() const
{
    return d->readableAtStart;
}

QString IniSettingsBackend::filePath() const
{
    return d->settings->fileName();
}

QString IniSettingsBackend::defaultFilePath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir(base).filePath(QStringLiteral("KVL Systems.ini"));
}

} // namespace zorvan
