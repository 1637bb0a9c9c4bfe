#include "json_line_process.h"
#include "mpv_player.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <sys/stat.h>

// The real `zorvan --headless` against the real `zorvan-sim`, with no
// display at all.

namespace {

using Child = zorvan::test::JsonLineProcess;
using zorvan::test::commandsOf;

constexpr int kLabelUpload = 201; // PS00..PS99, PD00..PD99 and RT
constexpr int kPatienceMs = 20000;

QString binary(const char *name)
{
    return QStringLiteral(ZORVAN_BIN_DIR "/") + QLatin1String(name);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The settings file as an editor changes it in place: the line of `key` in
// `section` (as the file spells it) takes `value`.
bool editInPlace(
    const QString &path, const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    QList<QByteArray> lines = readFile(path).split('\n');
    QByteArray current;
    bool done = false;
    for (QByteArray &line : lines) {
        if (line.startsWith('['))
            current = line;
        else if (current == '[' + section + ']' && line.startsWith(key + '=')) {
            line = key + '=' + value;
            done = true;
        }
    }
    return done && writeFile(path, lines.join('\n'));
}

ino_t inodeOf(const QString &path)
{
    struct stat st { };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// No display and no desktop session: what a system service has.
QProcessEnvironment serviceEnvironment(const QString &configHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS" })
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    return env;
}

// The service's standard error, read as it comes.
class Service {
public:
    void start(const QStringList &arguments, const QProcessEnvironment &env)
    {
        startThrough({}, arguments, env);
    }
    // Through a program that runs it (faketime and its options).
    void startThrough(const QStringList &runner, const QStringList &arguments, const QProcessEnvironment &env)
    {
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        if (runner.isEmpty())
            m_process.start(binary("zorvan"), arguments);
        else
            m_process.start(runner.first(), runner.mid(1) + QStringList { binary("zorvan") } + arguments);
    }
    // Waits for a log line holding `text`; the lines seen so far stay
    // available to later calls.
    bool waitForLine(const QString &text, int withinMs = kPatienceMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (!m_log.contains(text)) {
            if (clock.elapsed() > withinMs || m_process.state() == QProcess::NotRunning)
                return m_log.contains(text);
            m_process.waitForReadyRead(100);
            m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
        }
        return true;
    }
    QString log() { return m_log += QString::fromLocal8Bit(m_process.readAllStandardError()); }
    QProcess &process() { return m_process; }
    ~Service()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

private:
    QProcess m_process;
    QString m_log;
};

// The board stand-in on a pseudo-terminal, and a settings file whose COM1
// is that terminal, with `values` ("section/key") besides.
struct Station {
    bool start(const QVariantMap &values)
    {
        board.start(binary("zorvan-sim"), { QStringLiteral("--link"), link });
        if (board.next(QStringLiteral("ready")).isEmpty())
            return false;
        QSettings ini(settingsPath, QSettings::IniFormat);
        ini.setValue(QStringLiteral("Ports/COM1"), link);
        for (auto it = values.begin(); it != values.end(); ++it)
            ini.setValue(it.key(), it.value());
        return true;
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    QStringList serviceArguments() const
    {
        return { QStringLiteral("--headless"), QStringLiteral("--settings"), settingsPath };
    }

    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("tty"));
    QString settingsPath = dir.filePath(QStringLiteral("station.ini"));
    Child board;
};

} // namespace

class TestService : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        for (const char *name : { "zorvan", "zorvan-sim" }) {
            if (!QFileInfo(binary(name)).isExecutable())
                QSKIP(qPrintable(binary(name) + QStringLiteral(" is not built")));
        }
    }

    // --help and --version answer without a display.
    void helpAndVersion()
    {
        QTemporaryDir dir;
        for (const char *flag : { "--help", "--version" }) {
            QProcess zorvan;
            zorvan.setProcessEnvironment(serviceEnvironment(dir.path()));
            zorvan.start(binary("zorvan"), { QLatin1String(flag) });
            QVERIFY(zorvan.waitForFinished(kPatienceMs));
            QCOMPARE(zorvan.exitStatus(), QProcess::NormalExit);
            QCOMPARE(zorvan.exitCode(), 0);
            const QByteArray out = zorvan.readAllStandardOutput();
            QVERIFY2(
                out.contains(flag == QByteArrayLiteral("--help") ? "--headless" : "zorvan"), out.constData());
        }
    }

    // The service follows the song file onto the board; SIGHUP reads the
    // settings again; a window on the same settings file does not start
    // beside it; SIGTERM ends it with status 0 and the settings saved.
    void serviceFollowsTheSongFile()
    {
        Station station;
        const QString songPath = station.path("song.txt");
        QVERIFY(station.start({ { "RODIREZ500+/COMSelected", 1 }, { "RODIREZ500+/AutoPS", 1 },
            { "RODIREZ500+/AutoPSDelay", 3 }, { "RODIREZ500+/RTSwitch", 1 },
            { "RODIREZ500+/InsertDate", "False" }, { "RODIREZ500+/AutoPSPath", songPath } }));
        const QString &settingsPath = station.settingsPath;
        const QString &link = station.link;
        Child &board = station.board;
        const QTemporaryDir &dir = station.dir;
        QVERIFY(writeFile(songPath, "Artist - First Song\n"));

        Service service;
        service.start(station.serviceArguments(), serviceEnvironment(dir.filePath(QStringLiteral("config"))));
        QList<QJsonObject> frames = board.frames(kLabelUpload);
        QCOMPARE(frames.size(), kLabelUpload);
        QCOMPARE(frames.first().value(QStringLiteral("value")).toString(), QStringLiteral("ARTIST -"));
        QVERIFY(frames.last()
                    .value(QStringLiteral("value"))
                    .toString()
                    .startsWith(QStringLiteral("ARTIST - FIRST SONG\r")));
        QVERIFY2(service.waitForLine(QStringLiteral("200 frames")), qPrintable(service.log()));
        QVERIFY(service.waitForLine(QStringLiteral("1 frame to ")));

        // A window on the same settings file says so (and shows it in a box
        // until OK) instead of starting, and leaves the file alone.
        QFile settingsFile(settingsPath);
        QVERIFY(settingsFile.open(QIODevice::ReadOnly));
        const QByteArray before = settingsFile.readAll();
        settingsFile.close();
        QProcess window;
        QProcessEnvironment windowEnv = serviceEnvironment(dir.path());
        windowEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        window.setProcessEnvironment(windowEnv);
        window.start(binary("zorvan"), { QStringLiteral("--settings"), settingsPath });
        QByteArray said;
        QElapsedTimer waited;
        waited.start();
        while (!said.contains("already runs as a service") && waited.elapsed() < kPatienceMs) {
            window.waitForReadyRead(100);
            said += window.readAllStandardError();
        }
        QVERIFY2(said.contains("already runs as a service"), said.constData());
        window.kill();
        window.waitForFinished(3000);
        QVERIFY(settingsFile.open(QIODevice::ReadOnly));
        QCOMPARE(settingsFile.readAll(), before);
        settingsFile.close();

        // The operator edits the file by hand and sends SIGHUP.
        {
            QSettings ini(settingsPath, QSettings::IniFormat);
            ini.setValue(QStringLiteral("RODIREZ500+/AutoPSDelay"), 5);
        }
        ::kill(static_cast<pid_t>(service.process().processId()), SIGHUP);
        QVERIFY(service.waitForLine(QStringLiteral("Settings read again")));
        QVERIFY(writeFile(songPath, "Second Song\n"));
        frames = board.frames(kLabelUpload);
        QCOMPARE(frames.size(), kLabelUpload);
        QCOMPARE(frames[100].value(QStringLiteral("command")).toString(), QStringLiteral("PD00"));
        QCOMPARE(frames[100].value(QStringLiteral("value")).toString(), QStringLiteral("5"));

        ::kill(static_cast<pid_t>(service.process().processId()), SIGTERM);
        QVERIFY(service.process().waitForFinished(kPatienceMs));
        QCOMPARE(service.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.process().exitCode(), 0);
        QSettings saved(settingsPath, QSettings::IniFormat);
        QCOMPARE(saved.value(QStringLiteral("RODIREZ500+/PS")).toString(), QStringLiteral("SECOND S"));
        QCOMPARE(saved.value(QStringLiteral("Ports/COM1")).toString(), link);
    }

    // The operator edits the file in place while the service runs: the
    // change is taken in at once (said once in the log), goes on air with
    // the next song, and no save of the service undoes it.
    void handEditsAreTakenIn()
    {
        Station station;
        const QString songPath = station.path("song.txt");
        QVERIFY(station.start({ { "RODIREZ500+/AutoPS", 1 }, { "RODIREZ500+/RTSwitch", 1 },
            { "RODIREZ500+/InsertDate", "False" }, { "RODIREZ500+/AutoPSPath", songPath },
            { "StationTexts/RT", "OUR STATION" } }));
        QVERIFY(writeFile(songPath, "First Song\n"));
        Service service;
        service.start(station.serviceArguments(), serviceEnvironment(station.path("config")));
        QCOMPARE(station.board.frames(kLabelUpload).size(), kLabelUpload);
        QVERIFY(service.waitForLine(QStringLiteral("1 frame to ")));

        QVERIFY(editInPlace(station.settingsPath, "RODIREZ500%2B", "PS20", "HANDMADE"));
        QVERIFY(editInPlace(station.settingsPath, "StationTexts", "RT", "EDITED BY HAND"));
        QVERIFY2(service.waitForLine(QStringLiteral("changed outside the program"), 5000),
            qPrintable(service.log()));

        QVERIFY(writeFile(songPath, "Second Song\n"));
        const QList<QJsonObject> frames = station.board.frames(kLabelUpload);
        QCOMPARE(frames.size(), kLabelUpload);
        QCOMPARE(frames[20].value(QStringLiteral("value")).toString(), QStringLiteral("HANDMADE"));
        ::kill(static_cast<pid_t>(service.process().processId()), SIGTERM);
        QVERIFY(service.process().waitForFinished(kPatienceMs));
        QCOMPARE(service.log().count(QStringLiteral("changed outside the program")), 1);
        QSettings saved(station.settingsPath, QSettings::IniFormat);
        QCOMPARE(saved.value(QStringLiteral("RODIREZ500+/PS")).toString(), QStringLiteral("SECOND S"));
        QCOMPARE(saved.value(QStringLiteral("RODIREZ500+/PS20")).toString(), QStringLiteral("HANDMADE"));
        QCOMPARE(saved.value(QStringLiteral("StationTexts/RT")).toString(), QStringLiteral("EDITED BY HAND"));
    }

    // SIGHUP finds the settings file gone: the settings in use are kept
    // and nothing is written, until the file is back.
    void fileGoneAtReloadIsNotReplaced()
    {
        Station station;
        const QString songPath = station.path("song.txt");
        QVERIFY(station.start({ { "RODIREZ500+/AutoPS", 1 }, { "RODIREZ500+/RTSwitch", 1 },
            { "RODIREZ500+/InsertDate", "False" }, { "RODIREZ500+/AutoPSPath", songPath } }));
        QVERIFY(writeFile(songPath, "First Song\n"));
        Service service;
        service.start(station.serviceArguments(), serviceEnvironment(station.path("config")));
        QCOMPARE(station.board.frames(kLabelUpload).size(), kLabelUpload);
        QVERIFY(service.waitForLine(QStringLiteral("1 frame to ")));
        const QByteArray kept = readFile(station.settingsPath);

        QVERIFY(QFile::remove(station.settingsPath));
        ::kill(static_cast<pid_t>(service.process().processId()), SIGHUP);
        QVERIFY(service.waitForLine(QStringLiteral("is gone")));
        QVERIFY(writeFile(songPath, "Second Song\n"));
        const QList<QJsonObject> frames = station.board.frames(kLabelUpload);
        QCOMPARE(frames.size(), kLabelUpload);
        QCOMPARE(frames[0].value(QStringLiteral("value")).toString(), QStringLiteral("SECOND S"));
        QTest::qWait(500); // a save would have come with the labels
        QVERIFY(!QFileInfo::exists(station.settingsPath));

        QVERIFY(writeFile(station.settingsPath, kept));
        QVERIFY(service.waitForLine(QStringLiteral("is back; its settings are in use")));
        ::kill(static_cast<pid_t>(service.process().processId()), SIGTERM);
        QVERIFY(service.process().waitForFinished(kPatienceMs));
        QSettings saved(station.settingsPath, QSettings::IniFormat);
        QCOMPARE(saved.value(QStringLiteral("Ports/COM1")).toString(), station.link);
        QCOMPARE(saved.value(QStringLiteral("RODIREZ500+/PS")).toString(), QStringLiteral("SECOND S"));
    }

    // A settings file the service user may not write (root included) is
    // left as it is; the log says once that changes last until the end.
    void readOnlyFileIsLeftAlone()
    {
        Station station;
        const QString songPath = station.path("song.txt");
        QVERIFY(station.start({ { "RODIREZ500+/AutoPS", 1 }, { "RODIREZ500+/RTSwitch", 1 },
            { "RODIREZ500+/InsertDate", "False" }, { "RODIREZ500+/AutoPSPath", songPath } }));
        QVERIFY(writeFile(songPath, "First Song\n"));
        QVERIFY(QFile::setPermissions(
            station.settingsPath, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QByteArray before = readFile(station.settingsPath);
        const ino_t inode = inodeOf(station.settingsPath);
        Service service;
        service.start(station.serviceArguments(), serviceEnvironment(station.path("config")));
        QCOMPARE(station.board.frames(kLabelUpload).size(), kLabelUpload);
        QVERIFY(writeFile(songPath, "Second Song\n"));
        QCOMPARE(station.board.frames(kLabelUpload).size(), kLabelUpload);
        ::kill(static_cast<pid_t>(service.process().processId()), SIGTERM);
        QVERIFY(service.process().waitForFinished(kPatienceMs));
        QCOMPARE(service.log().count(QStringLiteral("changes last until the program ends")), 1);
        QCOMPARE(inodeOf(station.settingsPath), inode);
        QCOMPARE(readFile(station.settingsPath), before);
    }

    // Nothing is known to be on the board when the service starts again:
    // the song's labels and its radio text go out anew.
    void restartSendsTheSongAgain()
    {
        Station station;
        const QString songPath = station.path("song.txt");
        QVERIFY(station.start({ { "RODIREZ500+/AutoPS", 1 }, { "RODIREZ500+/RTSwitch", 1 },
            { "RODIREZ500+/InsertDate", "False" }, { "RODIREZ500+/AutoPSPath", songPath } }));
        QVERIFY(writeFile(songPath, "Only Song\n"));
        for (int run = 0; run < 2; ++run) {
            Service service;
            service.start(station.serviceArguments(), serviceEnvironment(station.path("config")));
            const QList<QJsonObject> frames = station.board.frames(kLabelUpload);
            QCOMPARE(frames.size(), kLabelUpload);
            QCOMPARE(frames.last().value(QStringLiteral("command")).toString(), QStringLiteral("RT"));
            QVERIFY(frames.last()
                        .value(QStringLiteral("value"))
                        .toString()
                        .startsWith(QStringLiteral("ONLY SONG\r")));
            ::kill(static_cast<pid_t>(service.process().processId()), SIGTERM);
            QVERIFY(service.process().waitForFinished(kPatienceMs));
        }
    }

    // A second window on the same settings file brings the first forward
    // and ends at once, without saving; the first goes on.
    void secondWindowOnTheSameFile()
    {
        QTemporaryDir dir;
        const QString settingsPath = dir.filePath(QStringLiteral("station.ini"));
        QProcessEnvironment env = serviceEnvironment(dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        Service first;
        first.start({ QStringLiteral("--settings"), settingsPath }, env);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(settingsPath), kPatienceMs); // saved once loaded

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(binary("zorvan"), { QStringLiteral("--settings"), settingsPath });
        QVERIFY(second.waitForFinished(kPatienceMs));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY(second.readAllStandardError().contains("already runs"));
        QCOMPARE(first.process().state(), QProcess::Running);
    }

    // Nobody is there to press OK: a song file that is not there is
    // waited for, and followed once it comes.
    void missingSongFileIsWaitedOut()
    {
        Station station;
        const QString songPath = station.path("later.txt");
        QVERIFY(station.start({ { "RODIREZ500+/AutoPS", 0 }, { "RODIREZ500+/RTSwitch", 1 },
            { "RODIREZ500+/AutoPSPath", songPath } }));
        Child &board = station.board;
        Service service;
        service.start(station.serviceArguments(), serviceEnvironment(station.path("config")));
        QVERIFY(service.waitForLine(QStringLiteral("does not exist; waiting for it")));
        QVERIFY(writeFile(songPath, "Finally here\n"));
        const QList<QJsonObject> frames = board.frames(1);
        QCOMPARE(commandsOf(frames), QStringList { QStringLiteral("RT") });
        QVERIFY(frames.first()
                    .value(QStringLiteral("value"))
                    .toString()
                    .startsWith(QStringLiteral("FINALLY HERE\r")));
        QVERIFY(service.waitForLine(QStringLiteral("is back")));
        QCOMPARE(service.log().count(QStringLiteral("does not exist")), 1);
    }

    // A programme that does not follow songs, Mon-Fri 07:00-09:00, under
    // a clock that starts at 06:59:57 on a Monday: its labels and radio
    // text replace the song on the board within two seconds of 07:00. Under
    // a clock that starts at 08:59:57 its texts are found at start-up, and
    // the song goes out again after 09:00.
    void programmeByTheClock_data()
    {
        QTest::addColumn<QString>("startAt");
        QTest::addColumn<bool>("songFirst");
        QTest::newRow("its start") << "2026-12-07 06:59:57" << true;
        QTest::newRow("its end") << "2026-12-07 08:59:57" << false;
    }
    void programmeByTheClock()
    {
        QFETCH(QString, startAt);
        QFETCH(bool, songFirst);
        const QString faketime = QStandardPaths::findExecutable(QStringLiteral("faketime"));
        if (faketime.isEmpty())
            QSKIP("faketime is not installed (Debian package faketime)");
        Station station;
        const QString songPath = station.path("song.txt");
        QVERIFY(station.start({ { "RODIREZ500+/COMSelected", 1 }, { "RODIREZ500+/AutoPS", 1 },
            { "RODIREZ500+/RTSwitch", 1 }, { "RODIREZ500+/InsertDate", "False" },
            { "RODIREZ500+/AutoPSPath", songPath }, { "Programme1/Name", "Morning Show" },
            { "Programme1/Days", "Mon-Fri" }, { "Programme1/Start", "07:00" }, { "Programme1/End", "09:00" },
            { "Programme1/FollowSongs", "False" }, { "Programme1/PS", "MORNING" },
            { "Programme1/PS1", "SHOW" }, { "Programme1/RT", "Good morning" } }));
        QVERIFY(writeFile(songPath, "Artist - First Song\n"));
        QProcessEnvironment env = serviceEnvironment(station.path("config"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
        Service service;
        // -m: the preload library for programs with threads.
        service.startThrough(
            { faketime, QStringLiteral("-m"), QStringLiteral("-f"), QLatin1Char('@') + startAt },
            station.serviceArguments(), env);

        auto expectSong = [&] {
            const QList<QJsonObject> frames = station.board.frames(kLabelUpload);
            QCOMPARE(frames.size(), kLabelUpload);
            QCOMPARE(frames.first().value(QStringLiteral("value")).toString(), QStringLiteral("ARTIST -"));
            QVERIFY(frames.last()
                        .value(QStringLiteral("value"))
                        .toString()
                        .startsWith(QStringLiteral("ARTIST - FIRST SONG\r")));
        };
        auto expectProgramme = [&] {
            const QList<QJsonObject> frames = station.board.frames(kLabelUpload);
            QCOMPARE(frames.size(), kLabelUpload);
            QCOMPARE(frames[0].value(QStringLiteral("value")).toString(), QStringLiteral("MORNING "));
            QCOMPARE(frames[1].value(QStringLiteral("value")).toString(), QStringLiteral("SHOW    "));
            QCOMPARE(frames.last().value(QStringLiteral("command")).toString(), QStringLiteral("RT"));
            QVERIFY(frames.last()
                        .value(QStringLiteral("value"))
                        .toString()
                        .startsWith(QStringLiteral("GOOD MORNING\r")));
        };
        if (songFirst) {
            expectSong();
            expectProgramme();
            QVERIFY2(service.waitForLine(QStringLiteral("Programme Morning Show begins")),
                qPrintable(service.log()));
            // The service's own clock says when it went.
            const QString log = service.log();
            const qsizetype begins = log.indexOf(QStringLiteral("Programme Morning Show begins"));
            const QString at = log.mid(log.lastIndexOf(QLatin1Char('\n'), begins) + 1, 19);
            QVERIFY2(
                at >= QStringLiteral("2026-12-07T07:00:00") && at <= QStringLiteral("2026-12-07T07:00:02"),
                qPrintable(log));
        } else {
            expectProgramme();
            expectSong();
            QVERIFY(service.waitForLine(
                QStringLiteral("Programme Morning Show ends: the song is followed again")));
        }
    }

    // The song of a real media player reaches the board as labels and
    // radio text: mpv with its MPRIS plug-in on a private session bus. mpv
    // names the file before it has read its tags; neither at the start nor
    // at a track change does the file name go out, and each song goes out
    // as one set of frames.
    void songOfAMediaPlayer()
    {
        zorvan::test::MpvPlayers players;
        if (!players.skipReason().isEmpty())
            QSKIP(qPrintable(players.skipReason()));
        QVERIFY(players.writeSong(QStringLiteral("one.wav"), "Ann Artist", "First Song"));
        QVERIFY(players.writeSong(QStringLiteral("two.wav"), "Bob Artist", "Second Song"));
        Station station;
        QVERIFY(station.start({ { "Driver/SongSource", "Player" }, { "RODIREZ500+/AutoPS", 1 },
            { "RODIREZ500+/RTSwitch", 1 }, { "RODIREZ500+/InsertDate", "False" } }));
        Child &board = station.board;
        players.start({ QStringLiteral("one.wav"), QStringLiteral("two.wav") });
        QProcessEnvironment env = serviceEnvironment(station.path("config"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), players.busAddress());
        Service service;
        service.start(station.serviceArguments(), env);

        const auto upload = [&board, &service](const QString &radioText) {
            QStringList values;
            for (QJsonObject line = board.next(QStringLiteral("command")); !line.isEmpty();
                 line = board.next(QStringLiteral("command"), 2500))
                values << line.value(QStringLiteral("command")).toString() + QLatin1Char('=')
                        + line.value(QStringLiteral("value")).toString();
            QVERIFY2(
                values.filter(QStringLiteral("WAV")).isEmpty(), qPrintable(values.join(QLatin1Char('\n'))));
            // The labels and one radio text; the start may add the clock.
            QCOMPARE(values.filter(QRegularExpression(QStringLiteral("^(PS|PD)\\d\\d="))).size(),
                kLabelUpload - 1);
            QVERIFY2(values.filter(QRegularExpression(QStringLiteral("^RT="))).size() == 1,
                qPrintable(values.filter(QRegularExpression(QStringLiteral("^(RT|PS0[01])=")))
                               .join(QLatin1Char('|'))));
            QVERIFY2(values.filter(QRegularExpression(QStringLiteral("^RT=")))
                         .value(0)
                         .startsWith(QStringLiteral("RT=") + radioText + QLatin1Char('\r')),
                qPrintable(values.join(QLatin1Char(' ')).right(300) + service.log()));
        };
        upload(QStringLiteral("ANN ARTIST - FIRST SONG"));

        QDBusConnection bus = QDBusConnection::connectToBus(players.busAddress(), QStringLiteral("tell-mpv"));
        const QDBusMessage next
            = bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.mpris.MediaPlayer2.mpv"),
                           QStringLiteral("/org/mpris/MediaPlayer2"),
                           QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Next")),
                QDBus::Block, kPatienceMs);
        QDBusConnection::disconnectFromBus(QStringLiteral("tell-mpv"));
        QCOMPARE(next.type(), QDBusMessage::ReplyMessage);
        upload(QStringLiteral("BOB ARTIST - SECOND SONG"));
    }

    // A session bus that takes the connection and never answers holds
    // neither the start nor the end: the first log line comes, SIGTERM ends
    // the service.
    void sessionBusThatNeverAnswers()
    {
        Station station;
        QVERIFY(station.start({ { "Driver/SongSource", "Player" }, { "RODIREZ500+/AutoPS", 1 } }));
        // Connections are taken into the backlog and never read from.
        const QByteArray busPath = QFile::encodeName(station.path("bus"));
        const int silentBus = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, busPath.constData(), sizeof address.sun_path - 1);
        QVERIFY(::bind(silentBus, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0);
        QVERIFY(::listen(silentBus, 8) == 0);
        QProcessEnvironment env = serviceEnvironment(station.path("config"));
        env.insert(
            QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + station.path("bus"));
        Service service;
        service.start(station.serviceArguments(), env);
        QVERIFY2(
            service.waitForLine(QStringLiteral("running without a window"), 5000), qPrintable(service.log()));
        ::kill(pid_t(service.process().processId()), SIGTERM);
        QVERIFY2(service.process().waitForFinished(5000), qPrintable(service.log()));
        QCOMPARE(service.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.process().exitCode(), 0);
        ::close(silentBus);
    }

    void noSessionBusIsToldOnce()
    {
        Station station;
        QVERIFY(station.start({ { "Driver/SongSource", "Player" }, { "RODIREZ500+/AutoPS", 1 } }));
        QProcessEnvironment env = serviceEnvironment(station.path("config"));
        // libdbus looks for $XDG_RUNTIME_DIR/bus when no address is set.
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        Service service;
        service.start(station.serviceArguments(), env);
        const QString told = QStringLiteral("no session bus: the media player cannot be followed");
        QVERIFY2(service.waitForLine(told), qPrintable(service.log()));
        QTest::qWait(2500);
        QCOMPARE(service.log().count(told), 1);
    }
};

QTEST_GUILESS_MAIN(TestService)
#include "tst_service.moc"
