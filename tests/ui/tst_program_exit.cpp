#include "settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

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
        const QString ini = QDir(config.path()).filePath(QStringLiteral("KVL Systems.ini"));
        {
            QSettings seed(ini, QSettings::IniFormat);
            seed.setValue(QStringLiteral("RODIREZ500+/RTSwitch"), QStringLiteral("0"));
            seed.setValue(QStringLiteral("RODIREZ500+/PTY"), QStringLiteral("3"));
        }

        QProcess zorvan;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        zorvan.setProcessEnvironment(env);
        zorvan.start(QStringLiteral(ZORVAN_BIN_DIR "/zorvan"), {});
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
};

QTEST_GUILESS_MAIN(TestProgramExit)
#include "tst_program_exit.moc"
