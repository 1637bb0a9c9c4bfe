#pragma once

#include <QLockFile>
#include <QString>

namespace zorvan {

// One driver per settings file: a window and a service, or two windows,
// on the same file would save over each other and upload to the same
// board. The lock is a file beside the settings file, "<file>.instance"
// (QSettings keeps "<file>.lock" for itself). It stays until this object
// goes or the process dies; only a dead holder, or a process id that
// another program now uses, makes it stale, never its age, since a
// station driver runs for months.
class InstanceLock {
public:
    explicit InstanceLock(const QString &settingsFilePath);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // Whether this process holds the lock now. A stale lock is removed and
    // taken. Never waits.
    bool tryLock();
    bool isLocked() const;

    // After a failed tryLock(): the process id of the live holder, or 0
    // when the lock file could not be made at all (a folder that refuses
    // writes).
    qint64 holderPid() const { return m_holderPid; }

    QString lockFilePath() const { return m_path; }

private:
    QString m_path;
    QLockFile m_lock;
    qint64 m_holderPid = 0;
};

} // namespace zorvan
