#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringList>

namespace zorvan::test {

// A child program (zorvan-sim, zorvan) whose standard output is read one
// JSON line at a time. The patience is only there so that a broken program
// fails a test instead of hanging it.
class JsonLineProcess {
public:
    explicit JsonLineProcess(int patienceMs = 30000);
    ~JsonLineProcess();

    void start(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    bool started();

    // The next line holding `key`, skipping others; empty when none comes in
    // time or the program ends.
    QJsonObject next(const QString &key, int withinMs = -1);
    // The next `count` frame lines (those holding "command"), fewer on time-out.
    QList<QJsonObject> frames(int count);

    void signal(int number);
    qint64 pid() const { return m_process.processId(); }
    QProcess::ProcessState state() const { return m_process.state(); }

    // SIGTERM first, as a desktop session ends a program; kill if it stays.
    // The exit code, or -1 when it did not end normally.
    int stop();
    int waitForExit();
    QByteArray errors() { return m_process.readAllStandardError(); }

private:
    int exitCode() const;

    int m_patienceMs;
    QProcess m_process;
};

QStringList commandsOf(const QList<QJsonObject> &frames);

} // namespace zorvan::test
