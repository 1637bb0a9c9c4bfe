#include "json_line_process.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

// Only there so that a broken build fails the test instead of hanging it;
// the splash and start-up of the driver take about a second.
constexpr int kPatienceMs = 30000;
// Two engine ticks and a little: nothing may arrive within this time.
constexpr int kQuietMs = 2500;
constexpr int kUploadFrames = 201; // PS00..PS99, PD00..PD99 and RT

QString binary(const char *name)
{
    return QStringLiteral(ZORVAN_BIN_DIR "/") + QLatin1String(name);
}

using Child = zorvan::test::JsonLineProcess;
using zorvan::test::commandsOf;

QStringList labelUploadCommands()
{
    QStringList names;
    for (const char *kind : { "PS", "PD" }) {
        for (int i = 0; i < 100; ++i)
            names << QLatin1String(kind) + QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    }
    return names << QStringLiteral("RT");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace

class TestSongEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void songFileDrivesTheBoard()
    {
        for (const char *name : { "zorvan", "zorvan-sim" }) {
            if (!QFileInfo(binary(name)).isExecutable())
                QSKIP(qPrintable(binary(name) + QStringLiteral(" is not built")));
        }
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("tty"));
        const QString configHome = dir.filePath(QStringLiteral("config"));
        const QString iniPath = configHome + QStringLiteral("/KVL Systems.ini");
        const QString songPath = dir.filePath(QStringLiteral("SongName.txt"));

        Child board;
        board.start(binary("zorvan-sim"), { QStringLiteral("--link"), link });
        QVERIFY(!board.next(QStringLiteral("ready")).isEmpty());

        {
            QSettings ini(iniPath, QSettings::IniFormat);
            ini.setValue(QStringLiteral("Ports/COM1"), link);
            ini.beginGroup(QStringLiteral("RODIREZ500+"));
            ini.setValue(QStringLiteral("COMSelected"), 1);
            ini.setValue(QStringLiteral("COMSpeed"), 2);
            ini.setValue(QStringLiteral("AutoPS"), 1);
            ini.setValue(QStringLiteral("RTSwitch"), 1);
            ini.setValue(QStringLiteral("AutoPSPath"), songPath);
            ini.endGroup();
            ini.sync();
            QCOMPARE(ini.status(), QSettings::NoError);
        }
        QVERIFY(writeFile(songPath, "First Artist,Opening Song\r\n"));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        Child driver;
        driver.start(binary("zorvan"), {}, environment);
        QVERIFY(driver.started());

        // The song found at start-up is sent at the first tick.
        QList<QJsonObject> frames = board.frames(kUploadFrames);
        QCOMPARE(commandsOf(frames), labelUploadCommands());
        QCOMPARE(frames[0].value(QStringLiteral("value")).toString(), QStringLiteral("FIRST AR"));
        QCOMPARE(frames.last().value(QStringLiteral("value")).toString(),
            QStringLiteral("FIRST ARTIST,OPENING SONG\r\r\r"));

        // A new song: the board's clock is read at the moment of the write,
        // so the time to the last frame comes from one clock.
        QElapsedTimer sinceWrite;
        QVERIFY(writeFile(songPath, "Second Artist,Next Song\r\n"));
        sinceWrite.start();
        board.signal(SIGUSR1);
        const qint64 writtenAtMs
            = board.next(QStringLiteral("state")).value(QStringLiteral("t_ms")).toInteger();
        frames = board.frames(kUploadFrames);
        const qint64 readAfterMs = sinceWrite.elapsed();
        QCOMPARE(commandsOf(frames), labelUploadCommands());
        QCOMPARE(frames[0].value(QStringLiteral("value")).toString(), QStringLiteral("SECOND A"));
        QCOMPARE(frames[100].value(QStringLiteral("value")).toString(), QStringLiteral("1"));
        QCOMPARE(frames.last().value(QStringLiteral("value")).toString(),
            QStringLiteral("SECOND ARTIST,NEXT SONG\r\r\r"));
        for (const QJsonObject &frame : frames)
            QCOMPARE(frame.value(QStringLiteral("status")).toString(), QStringLiteral("ok"));
        const qint64 lastFrameMs = frames.last().value(QStringLiteral("t_ms")).toInteger();
        const qint64 firstFrameMs = frames.first().value(QStringLiteral("start_ms")).toInteger();
        qInfo("song file written -> last frame on the board: %lld ms (upload itself %lld ms; seen by the "
              "test after %lld ms)",
            lastFrameMs - writtenAtMs, lastFrameMs - firstFrameMs, readAfterMs);

        // The same song written again is no news.
        QVERIFY(writeFile(songPath, "Second Artist,Next Song\r\n"));
        QVERIFY(board.next(QStringLiteral("command"), kQuietMs).isEmpty());

        // The file goes away: both updates are switched off and stored so.
        QVERIFY(QFile::remove(songPath));
        QDeadlineTimer deadline(kPatienceMs);
        auto stored = [&iniPath](const char *key) {
            QSettings ini(iniPath, QSettings::IniFormat);
            return ini.value(QStringLiteral("RODIREZ500+/") + QLatin1String(key)).toString();
        };
        while (!deadline.hasExpired()
            && (stored("AutoPS") != QLatin1String("0") || stored("RTSwitch") != QLatin1String("0")))
            QTest::qWait(100);
        QCOMPARE(stored("AutoPS"), QStringLiteral("0"));
        QCOMPARE(stored("RTSwitch"), QStringLiteral("0"));
        QVERIFY(writeFile(songPath, "Third Artist,Unheard\r\n"));
        QVERIFY(board.next(QStringLiteral("command"), kQuietMs).isEmpty());
        QCOMPARE(driver.state(), QProcess::Running);

        driver.stop();
        board.stop();
        QCOMPARE(driver.state(), QProcess::NotRunning);
        QCOMPARE(board.state(), QProcess::NotRunning);
    }
};

QTEST_GUILESS_MAIN(TestSongEndToEnd)
#include "tst_song_e2e.moc"
