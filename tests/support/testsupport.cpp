#include "testsupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <QDir>

namespace zorvan::test {

IsolatedConfig::IsolatedConfig()
    : m_hadPrevious(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
{
    m_previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
}

IsolatedConfig::~IsolatedConfig()
{
    if (m_hadPrevious)
        qputenv("XDG_CONFIG_HOME", m_previous);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

QString IsolatedConfig::iniPath() const
{
    return QDir(m_dir.path()).filePath(QStringLiteral("KVL Systems.ini"));
}

qint64 deadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace zorvan::test
