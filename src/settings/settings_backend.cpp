#include "settings/settings_backend.h"

#include <QDir>
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

struct IniSettingsBackend::Impl {
    explicit Impl(const QString &path)
        : settings(path, QSettings::IniFormat)
    {
    }
    QSettings settings;
    bool readableAtStart = true;
};

IniSettingsBackend::IniSettingsBackend(const QString &filePath)
    : d(std::make_unique<Impl>(filePath))
{
    const QFileInfo info(filePath);
    // QSettings reads lazily and quietly treats an unreadable file as empty;
    // the window wants to know, so look before anything is read.
    d->readableAtStart = !info.exists() || (info.isFile() && info.isReadable());
    if (d->settings.status() == QSettings::FormatError)
        d->readableAtStart = false;
}

IniSettingsBackend::~IniSettingsBackend() = default;

std::optional<QString> IniSettingsBackend::read(const QString &section, const QString &key) const
{
    const QVariant v = d->settings.value(joinKey(section, key));
    if (!v.isValid())
        return std::nullopt;
    // A value that holds a comma comes back as a list; join it again.
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void IniSettingsBackend::write(const QString &section, const QString &key, const QString &value)
{
    d->settings.setValue(joinKey(section, key), value);
}

bool IniSettingsBackend::flush()
{
    const QString dir = QFileInfo(d->settings.fileName()).absolutePath();
    QDir().mkpath(dir);
    d->settings.sync();
    return d->settings.status() != QSettings::AccessError;
}

bool IniSettingsBackend::readable() const
{
    return d->readableAtStart;
}

QString IniSettingsBackend::filePath() const
{
    return d->settings.fileName();
}

QString IniSettingsBackend::defaultFilePath()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir(base).filePath(QStringLiteral("KVL Systems.ini"));
}

} // namespace zorvan
