#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// The real `zorvan --headless` under the eyes of a service manager: its
// notifications arrive on a datagram socket this test binds, as systemd's
// would (NOTIFY_SOCKET), and its standard error is taken for the journal
// when JOURNAL_STREAM names it.

namespace {

constexpr int kPatienceMs = 20000;

QString binary()
{
    return QStringLiteral(ZORVAN_BIN_DIR "/zorvan");
}

// The receiving end of sd_notify(3).
class NotifySocket {
public:
    explicit NotifySocket(const QString &path)
        : m_path(path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(path);
        if (m_fd < 0 || native.size() >= qsizetype(sizeof address.sun_path))
            return;
        std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
        m_bound = ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    }
    ~NotifySocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool bound() const { return m_bound; }

    // Every message that comes within `ms`, until one holds `line`.
    QList<QByteArray> until(const QByteArray &line, int ms = kPatienceMs)
    {
        QList<QByteArray> seen;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            pollfd ready { m_fd, POLLIN, 0 };
            if (::poll(&ready, 1, int(std::max<qint64>(1, ms - clock.elapsed()))) <= 0)
                break;
            char buffer[4096];
            const ssize_t size = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (size <= 0)
                break;
            seen << QByteArray(buffer, size);
            if (!line.isEmpty() && seen.last().split('\n').contains(line))
                break;
        }
        return seen;
    }

private:
    QString m_path;
    int m_fd = -1;
    bool m_bound = false;
};

QList<QByteArray> withoutWatchdog(QList<QByteArray> messages)
{
    messages.removeAll(QByteArrayLiteral("WATCHDOG=1"));
    return messages;
}

QProcessEnvironment serviceEnvironment(const QString &configHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS",
             "NOTIFY_SOCKET", "WATCHDOG_USEC", "WATCHDOG_PID", "JOURNAL_STREAM" })
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    return env;
}

void writeSettings(const QString &path, const QVariantMap &values)
{
    QSettings ini(path, QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        ini.setValue(it.key(), it.value());
}

QByteArray unitFile(const char *name)
{
    QFile unit(QStringLiteral(ZORVAN_BUILD_DIR "/packaging/") + QLatin1String(name));
    return unit.open(QIODevice::ReadOnly) ? unit.readAll() : QByteArray();
}

} // namespace

class TestServiceManager : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (!QFileInfo(binary()).isExecutable())
            QSKIP(qPrintable(binary() + QStringLiteral(" is not built")));
    }

    // Ready after the load, reloading and ready again around SIGHUP,
    // stopping at SIGTERM, and the watchdog fed meanwhile.
    void notifiesTheServiceManager()
    {
        QTemporaryDir dir;
        NotifySocket socket(dir.filePath(QStringLiteral("notify")));
        QVERIFY(socket.bound());
        const QString settings = dir.filePath(QStringLiteral("station.ini"));
        writeSettings(settings, { { "Ports/COM1", dir.filePath(QStringLiteral("no-board")) } });

        QProcessEnvironment env = serviceEnvironment(dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("NOTIFY_SOCKET"), dir.filePath(QStringLiteral("notify")));
        env.insert(QStringLiteral("WATCHDOG_USEC"), QStringLiteral("400000"));
        QProcess service;
        service.setProcessEnvironment(env);
        service.start(binary(), { QStringLiteral("--headless"), QStringLiteral("--settings"), settings });
        QVERIFY(service.waitForStarted());

        QList<QByteArray> seen = withoutWatchdog(socket.until("READY=1"));
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen.first().startsWith("READY=1\nSTATUS=zorvan 1."), seen.first().constData());
        QVERIFY(seen.first().contains(settings.toUtf8()));

        // Pinged every 200 ms (half the interval) while idle.
        const QList<QByteArray> idle = socket.until({}, 1500);
        QVERIFY2(idle.count("WATCHDOG=1") >= 4, QByteArray::number(idle.count("WATCHDOG=1")).constData());
        QCOMPARE(withoutWatchdog(idle), {});

        ::kill(pid_t(service.processId()), SIGHUP);
        seen = withoutWatchdog(socket.until("READY=1"));
        QCOMPARE(seen.size(), 2);
        QVERIFY2(QRegularExpression(QStringLiteral("^RELOADING=1\nMONOTONIC_USEC=\\d+$"))
                     .match(QString::fromLatin1(seen.first()))
                     .hasMatch(),
            seen.first().constData());
        QCOMPARE(seen.last(), QByteArrayLiteral("READY=1"));

        ::kill(pid_t(service.processId()), SIGTERM);
        seen = withoutWatchdog(socket.until("STOPPING=1"));
        QCOMPARE(seen, QList<QByteArray> { "STOPPING=1" });
        QVERIFY(service.waitForFinished(kPatienceMs));
        QCOMPARE(service.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.exitCode(), 0);
    }

    // A service that cannot work says nothing is ready and ends with the
    // status the units keep systemd from restarting on.
    void configurationErrorIsNeverReady()
    {
        QTemporaryDir dir;
        NotifySocket socket(dir.filePath(QStringLiteral("notify")));
        QVERIFY(socket.bound());
        QProcessEnvironment env = serviceEnvironment(dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("NOTIFY_SOCKET"), dir.filePath(QStringLiteral("notify")));
        QProcess service;
        service.setProcessEnvironment(env);
        service.start(binary(),
            { QStringLiteral("--headless"), QStringLiteral("--settings"), dir.filePath(QStringLiteral("typo.ini")) });
        QVERIFY(service.waitForFinished(kPatienceMs));
        QCOMPARE(service.exitCode(), 78);
        QCOMPARE(socket.until("READY=1", 300), {});

        for (const char *name : { "zorvan.service", "zorvan@.service" })
            QVERIFY2(unitFile(name).contains("\nRestartPreventExitStatus=78\n"), name);
    }

    // zorvan@NAME.service runs on NAME.ini in the configuration folder,
    // as the manual page says: the instance name as given (%i), not
    // unescaped (%I), which would turn "studio-b" into "studio/b".
    void instanceUnitNamesItsSettingsFile_data()
    {
        QTest::addColumn<QString>("instance");
        QTest::newRow("with a dash") << "studio-b";
        QTest::newRow("plain") << "fm1";
    }
    void instanceUnitNamesItsSettingsFile()
    {
        QFETCH(QString, instance);
        const QString escape = QStandardPaths::findExecutable(QStringLiteral("systemd-escape"));
        if (escape.isEmpty())
            QSKIP("systemd-escape is not installed");
        QProcess unescape;
        unescape.start(escape, { QStringLiteral("--unescape"), instance });
        QVERIFY(unescape.waitForFinished());
        const QString unescaped = QString::fromUtf8(unescape.readAllStandardOutput()).trimmed();

        const QByteArray unit = unitFile("zorvan@.service");
        const QRegularExpressionMatch exec
            = QRegularExpression(QStringLiteral("\nExecStart=(.*)\n")).match(QString::fromUtf8(unit));
        QVERIFY(exec.hasMatch());
        QString command = exec.captured(1);
        command.replace(QStringLiteral("%E"), QStringLiteral("/home/op/.config"))
            .replace(QStringLiteral("%i"), instance)
            .replace(QStringLiteral("%I"), unescaped);
        QVERIFY2(command.endsWith(QStringLiteral(" --headless --settings \"/home/op/.config/%1.ini\"").arg(instance)),
            qPrintable(command));
        QVERIFY(unit.contains("\nType=notify\n"));
    }

    // Standard error that is the journal gets each line's priority and no
    // time stamp; another stream, with the variable inherited, does not.
    void journalPriorities_data()
    {
        QTest::addColumn<bool>("journal");
        QTest::newRow("standard error is the journal") << true;
        QTest::newRow("JOURNAL_STREAM names another stream") << false;
    }
    void journalPriorities()
    {
        QFETCH(bool, journal);
        QTemporaryDir dir;
        const QString songPath = dir.filePath(QStringLiteral("song.txt"));
        const QString settings = dir.filePath(QStringLiteral("station.ini"));
        writeSettings(settings,
            { { "Ports/COM1", dir.filePath(QStringLiteral("no-board")) }, { "RODIREZ500+/COMSelected", 1 },
                { "RODIREZ500+/AutoPS", 1 }, { "RODIREZ500+/RTSwitch", 1 },
                { "RODIREZ500+/AutoPSPath", songPath } });
        const QString logPath = dir.filePath(QStringLiteral("stderr"));
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::WriteOnly));
        struct stat status { };
        QCOMPARE(::fstat(log.handle(), &status), 0);
        const quint64 inode = quint64(status.st_ino) + (journal ? 0 : 1);

        QProcessEnvironment env = serviceEnvironment(dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("JOURNAL_STREAM"), QStringLiteral("%1:%2").arg(quint64(status.st_dev)).arg(inode));
        QProcess service;
        service.setProcessEnvironment(env);
        service.setStandardErrorFile(logPath, QIODevice::Append);
        service.start(binary(), { QStringLiteral("--headless"), QStringLiteral("--settings"), settings });
        QVERIFY(service.waitForStarted());
        const auto logged = [&log] {
            QFile file(log.fileName());
            return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(logged().contains(QStringLiteral("waiting for it")), kPatienceMs);
        QFile song(songPath);
        QVERIFY(song.open(QIODevice::WriteOnly));
        song.write("Artist - Song\n");
        song.close();
        // The upload fails: there is no board.
        QTRY_VERIFY_WITH_TIMEOUT(logged().contains(QStringLiteral("frames to ")), kPatienceMs);
        service.terminate();
        QVERIFY(service.waitForFinished(kPatienceMs));

        const QStringList lines = logged().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const auto lineWith = [&lines](const QString &text) {
            for (const QString &line : lines) {
                if (line.contains(text))
                    return line;
            }
            return QString();
        };
        const QString started = lineWith(QStringLiteral("running without a window"));
        const QString waiting = lineWith(QStringLiteral("does not exist; waiting for it"));
        const QString failed = lineWith(QStringLiteral("frames to "));
        QVERIFY2(!failed.isEmpty(), qPrintable(lines.join(QLatin1Char('\n'))));
        if (journal) {
            QVERIFY2(started.startsWith(QStringLiteral("<6>zorvan ")), qPrintable(started));
            QVERIFY2(waiting.startsWith(QStringLiteral("<4>The song file ")), qPrintable(waiting));
            QVERIFY2(failed.startsWith(QStringLiteral("<3>")), qPrintable(failed));
            QVERIFY2(!failed.contains(QRegularExpression(QStringLiteral("^<3>\\d{4}-"))), qPrintable(failed));
        } else {
            const QRegularExpression timed(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d"));
            QVERIFY2(waiting.contains(timed), qPrintable(waiting));
            QVERIFY2(failed.contains(timed), qPrintable(failed));
            QVERIFY(!started.startsWith(QLatin1Char('<')));
        }
    }
};

QTEST_GUILESS_MAIN(TestServiceManager)
#include "tst_service_manager.moc"
