#include "settings/instance_lock.h"
#include "settings/settings_backend.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

using namespace zorvan;

namespace {

// A lock file exactly as QLockFile writes it, with another process id and,
// when `host` is given, another machine's name and id.
QByteArray lockFileOf(qint64 pid, const QByteArray &host, const QString &scratchPath)
{
    QByteArray bytes;
    {
        QLockFile real(scratchPath);
        if (!real.tryLock(0))
            return {};
        QFile file(scratchPath);
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
    }
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 4)
        return {};
    lines[0] = QByteArray::number(pid);
    if (!host.isEmpty()) {
        lines[2] = host;
        lines[3] = host + "-id";
    }
    return lines.join('\n');
}

} // namespace

class TestInstanceLock : public QObject {
    Q_OBJECT

private slots:
    void secondLockOnTheSameFileFails()
    {
        test::IsolatedConfig config;
        InstanceLock first(config.iniPath());
        QVERIFY(first.tryLock());
        QCOMPARE(first.lockFilePath(), config.iniPath() + ".instance");
        InstanceLock second(config.iniPath());
        QVERIFY(!second.tryLock());
        QCOMPARE(second.holderPid(), qint64(::getpid()));

        InstanceLock otherFile(config.path() + "/board2.ini");
        QVERIFY(otherFile.tryLock());
    }

    void lockFileLeftBehind_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<int>("ageDays");
        QTest::addColumn<bool>("taken");
        QTest::newRow("crashed run") << "dead" << 0 << true;
        QTest::newRow("process id now another program's") << "other program" << 0 << true;
        // A home folder shared over the network: its process cannot be
        // looked at from here, and age says nothing about it.
        QTest::newRow("driver on another machine, a year old") << "other machine" << 365 << false;
    }
    void lockFileLeftBehind()
    {
        QFETCH(QString, holder);
        QFETCH(int, ageDays);
        QFETCH(bool, taken);
        test::IsolatedConfig config;
        const qint64 pid = holder == "dead" ? zorvan::test::deadPid() : ::getppid();
        const QString lockPath = config.iniPath() + ".instance";
        QFile file(lockPath);
        const QByteArray contents
            = lockFileOf(pid, holder == "other machine" ? "studio-b" : "", config.path() + "/scratch.lock");
        QVERIFY(!contents.isEmpty());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(contents), contents.size());
        QVERIFY(file.flush());
        QVERIFY(
            file.setFileTime(QDateTime::currentDateTime().addDays(-ageDays), QFile::FileModificationTime));
        file.close();

        InstanceLock lock(config.iniPath());
        QCOMPARE(lock.tryLock(), taken);
        QCOMPARE(lock.holderPid(), taken ? qint64(0) : pid);
    }
};

QTEST_GUILESS_MAIN(TestInstanceLock)
#include "tst_instance_lock.moc"
