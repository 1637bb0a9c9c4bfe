#include "json_line_process.h"

#include <QDeadlineTimer>
#include <QJsonDocument>

#include <csignal>

namespace zorvan::test {

JsonLineProcess::JsonLineProcess(int patienceMs)
    : m_patienceMs(patienceMs)
{
}

JsonLineProcess::~JsonLineProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(m_patienceMs);
    }
}

void JsonLineProcess::start(
    const QString &program, const QStringList &arguments, const QProcessEnvironment &environment)
{
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
}

bool JsonLineProcess::started()
{
    return m_process.waitForStarted(m_patienceMs);
}

QJsonObject JsonLineProcess::next(const QString &key, int withinMs)
{
    const QDeadlineTimer deadline(withinMs < 0 ? m_patienceMs : withinMs);
    for (;;) {
        while (m_process.canReadLine()) {
            const QJsonObject line = QJsonDocument::fromJson(m_process.readLine()).object();
            if (line.contains(key))
                return line;
        }
        if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime())))
            return {};
    }
}

QList<QJsonObject> JsonLineProcess::frames(int count)
{
    QList<QJsonObject> out;
    while (out.size() < count) {
        const QJsonObject line = next(QStringLiteral("command"));
        if (line.isEmpty())
            break;
        out << line;
    }
    return out;
}

void JsonLineProcess::signal(int number)
{
    ::kill(pid_t(m_process.processId()), number);
}

int JsonLineProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return exitCode();
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(m_patienceMs);
    }
    return exitCode();
}

int JsonLineProcess::waitForExit()
{
    m_process.waitForFinished(m_patienceMs);
    return exitCode();
}

int JsonLineProcess::exitCode() const
{
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QStringList commandsOf(const QList<QJsonObject> &frames)
{
    QStringList names;
    for (const QJsonObject &frame : frames)
        names << frame.value(QStringLiteral("command")).toString();
    return names;
}

} // namespace zorvan::test
