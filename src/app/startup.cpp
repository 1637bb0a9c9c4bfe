#include "startup.h"

#include "command_line.h"
#include "settings/instance_lock.h"
#include "settings/settings_backend.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>

namespace zorvan {

QString settingsPathOf(const CommandLine &commandLine)
{
    const QString given = commandLine.settingsFile();
    return given.isEmpty() ? IniSettingsBackend::defaultFilePath() : QFileInfo(given).absoluteFilePath();
}

QString settingsFileProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return QObject::tr("the settings file %1 does not exist; set the station up in the window first, or "
                           "name the right file with --settings")
            .arg(path);
    }
    if (info.isDir())
        return QObject::tr("cannot read the settings file %1: it is a folder").arg(path);
    // Opened for real: the permission bits do not tell about ACLs, mounts or
    // a file system that fails.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QObject::tr("cannot read the settings file %1: %2").arg(path, file.errorString());
    return {};
}

std::optional<LockRefusal> takeInstanceLock(InstanceLock &lock, const QString &settingsPath)
{
    if (lock.tryLock())
        return std::nullopt;
    if (lock.holderPid() == 0)
        return LockRefusal { QObject::tr("cannot create the lock file %1").arg(lock.lockFilePath()), {} };
    // A second driver on the same settings file would save over the
    // first's settings and upload to the same board.
    const std::optional<InstanceChannel::Kind> running = InstanceChannel::askRunning(settingsPath);
    const QString text = running == InstanceChannel::Kind::Service
        ? QObject::tr(
            "The ZORVAN Q500+ driver already runs as a service (process %1) on the settings file %2.")
              .arg(lock.holderPid())
              .arg(settingsPath)
        : QObject::tr("The ZORVAN Q500+ driver already runs (process %1) on the settings file %2.")
              .arg(lock.holderPid())
              .arg(settingsPath);
    return LockRefusal { text, running };
}

} // namespace zorvan
