#include "fault_privileges.h"
#include "pty_reader.h"
#include "settings/settings_store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

QString iniIn(const QTemporaryDir &config)
{
    return QDir(config.path()).filePath(QStringLiteral("KVL Systems.ini"));
}

void startZorvan(QProcess &zorvan, const QTemporaryDir &config)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    zorvan.setProcessEnvironment(env);
    zorvan.start(QStringLiteral(ZORVAN_BIN_DIR "/zorvan"), {});
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString storedValue(const QString &ini, const char *key)
{
    return QSettings(ini, QSettings::IniFormat)
        .value(zorvan::kSettingsSection + QLatin1Char('/') + QLatin1String(key))
        .toString();
}

} // namespace

// The real program, ended the way a logout or a system shutdown ends it.
class TestProgramExit : public QObject {
    Q_OBJECT

private slots:
    void terminationClosesTheWindowAndSaves_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void terminationClosesTheWindowAndSaves()
    {
        QFETCH(int, signal);
        QTemporaryDir config;
        const QString ini = iniIn(config);
        {
            QSettings seed(ini, QSettings::IniFormat);
            seed.setValue(QStringLiteral("RODIREZ500+/RTSwitch"), QStringLiteral("0"));
            seed.setValue(QStringLiteral("RODIREZ500+/PTY"), QStringLiteral("3"));
        }

        QProcess zorvan;
        startZorvan(zorvan, config);
        QVERIFY(zorvan.waitForStarted());

        // Start-up (splash included) saves the whole record once.
        QTRY_VERIFY_WITH_TIMEOUT(QSettings(ini, QSettings::IniFormat).allKeys().size() >= 257, 15000);
        QVERIFY(QFile::remove(ini));

        ::kill(pid_t(zorvan.processId()), signal);
        QVERIFY(zorvan.waitForFinished(15000));
        QCOMPARE(zorvan.exitStatus(), QProcess::NormalExit);
        QCOMPARE(zorvan.exitCode(), 0);

        // The closing save wrote the record back, the stored values kept.
        QSettings saved(ini, QSettings::IniFormat);
        saved.beginGroup(zorvan::kSettingsSection);
        QCOMPARE(saved.childKeys().size(), 257);
        QCOMPARE(saved.value(QStringLiteral("PTY")).toString(), QStringLiteral("3"));
    }

    // Ended while the splash is still up, before the settings were loaded:
    // the program ends and the operator's file is left exactly as it was,
    // not replaced by defaults.
    void terminationDuringTheSplashLeavesTheFileAlone()
    {
        QTemporaryDir config;
        const QString ini = iniIn(config);
        {
            QSettings seed(ini, QSettings::IniFormat);
            seed.beginGroup(zorvan::kSettingsSection);
            seed.setValue(QStringLiteral("CountryCode"), 5);
            seed.setValue(QStringLiteral("PTY"), 3);
            seed.setValue(QStringLiteral("COMSelected"), 4);
            seed.setValue(QStringLiteral("PS"), QStringLiteral("MY RADIO"));
            seed.setValue(QStringLiteral("RT"), QStringLiteral("THE BEST MUSIC ALL DAY"));
        }
        const QByteArray before = contentsOf(ini);
        QVERIFY(!before.isEmpty());

        QProcess zorvan;
        startZorvan(zorvan, config);
        QVERIFY(zorvan.waitForStarted());
        QTest::qWait(250);
        ::kill(pid_t(zorvan.processId()), SIGTERM);
        QVERIFY(zorvan.waitForFinished(5000));
        // Ended by its handler or, before it was in place, by the signal.
        if (zorvan.exitStatus() == QProcess::NormalExit)
            QCOMPARE(zorvan.exitCode(), 0);
        QCOMPARE(contentsOf(ini), before);
    }

    // Ended while the song's labels wait on a line that takes nothing: the
    // upload gets its bounded write time and no more, no message waits for
    // a click, and the record is saved on the way out.
    void terminationDuringAStuckUploadEnds()
    {
        zorvan::test::PtyReader board;
        if (!board.isValid())
            QSKIP("no pseudo-terminal available on this machine");
        board.stopReading();
        QVERIFY(zorvan::test::fillLine(board.slaveFd()) > 0);

        QTemporaryDir config;
        const QString ini = iniIn(config);
        const QString songPath = QDir(config.path()).filePath(QStringLiteral("SongName.txt"));
        {
            QFile song(songPath);
            QVERIFY(song.open(QIODevice::WriteOnly));
            song.write("Some Artist,Some Title\r\n");
        }
        {
            QSettings seed(ini, QSettings::IniFormat);
            seed.setValue(QStringLiteral("Ports/COM1"), board.slavePath());
            seed.beginGroup(zorvan::kSettingsSection);
            seed.setValue(QStringLiteral("COMSelected"), 1);
            seed.setValue(QStringLiteral("AutoPS"), 1);
            seed.setValue(QStringLiteral("RTSwitch"), 0);
            seed.setValue(QStringLiteral("PTY"), 3);
            seed.setValue(QStringLiteral("AutoPSPath"), songPath);
        }

        QProcess zorvan;
        startZorvan(zorvan, config);
        QVERIFY(zorvan.waitForStarted());
        // The labels are saved as they are built, just before they go out.
        QTRY_COMPARE_WITH_TIMEOUT(storedValue(ini, "PS"), QStringLiteral("SOME ART"), 30000);
        QTest::qWait(300);
        QVERIFY(QFile::remove(ini));

        QElapsedTimer sinceSignal;
        sinceSignal.start();
        ::kill(pid_t(zorvan.processId()), SIGTERM);
        // The write time of one frame (3 s) and some room for a loaded machine.
        QVERIFY2(zorvan.waitForFinished(15000), "still running 15 s after SIGTERM");
        qInfo("ended %lld ms after the signal", static_cast<long long>(sinceSignal.elapsed()));
        QCOMPARE(zorvan.exitStatus(), QProcess::NormalExit);
        QCOMPARE(zorvan.exitCode(), 0);

        QCOMPARE(QSettings(ini, QSettings::IniFormat).childGroups().contains(zorvan::kSettingsSection), true);
        QCOMPARE(storedValue(ini, "PTY"), QStringLiteral("3"));
        QCOMPARE(storedValue(ini, "PS"), QStringLiteral("SOME ART"));
    }
};

QTEST_GUILESS_MAIN(TestProgramExit)
#include "tst_program_exit.moc"
