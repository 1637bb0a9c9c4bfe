#pragma once

#include <QTemporaryDir>

namespace zorvan::test {

// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the
// object, so no test ever reads or writes the user's own settings file.
class IsolatedConfig {
public:
    IsolatedConfig();
    ~IsolatedConfig();
    QString path() const { return m_dir.path(); }
    QString iniPath() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
};

// The process id of a child that has already ended: a lock holder that is
// gone.
qint64 deadPid();

} // namespace zorvan::test
