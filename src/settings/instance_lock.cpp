#include "settings/instance_lock.h"

#include <QDir>
#include <QFileInfo>

namespace zorvan {

namespace {

// The same file reached through a link or a relative path must find the
// same lock.
QString lockPathFor(const QString &settingsFilePath)
{
    const QFileInfo info(settingsFilePath);
    const QString canonical = info.canonicalFilePath();
    return (canonical.isEmpty() ? info.absoluteFilePath() : canonical) + QStringLiteral(".instance");
}

} // namespace

InstanceLock::InstanceLock(const QString &settingsFilePath)
    : m_path(lockPathFor(settingsFilePath))
    , m_lock(m_path)
{
    m_lock.setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock()
{
    if (m_lock.isLocked())
        return true;
    m_holderPid = 0;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (m_lock.tryLock(0))
        return true;
    if (m_lock.error() == QLockFile::LockFailedError)
        m_lock.getLockInfo(&m_holderPid, nullptr, nullptr);
    return false;
}

bool InstanceLock::isLocked() const
{
    return m_lock.isLocked();
}

} // namespace zorvan
