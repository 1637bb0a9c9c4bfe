#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

// The command lines of the real `zorvan` and `zorvan-sim`, started as a
// user or a unit would start them, with no display unless a row gives one.

namespace {

constexpr int kPatienceMs = 20000;

QString binary(const QString &name)
{
    return QStringLiteral(ZORVAN_BIN_DIR "/") + name;
}

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// What a system service has: no display, no session bus, the settings
// folder a temporary one. `prefix` runs the program through another one
// (setpriv) first.
Outcome run(const QString &program, QStringList arguments, const QString &configHome,
    const QStringList &prefix = {}, const QString &platform = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS" })
        env.remove(QLatin1String(name));
    if (!platform.isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    QProcess process;
    process.setProcessEnvironment(env);
    if (prefix.isEmpty()) {
        process.start(binary(program), arguments);
    } else {
        arguments.prepend(binary(program));
        process.start(prefix.first(), prefix.mid(1) + arguments);
    }
    Outcome outcome;
    if (!process.waitForFinished(kPatienceMs)) {
        process.kill();
        process.waitForFinished();
        return outcome;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        outcome.exitCode = process.exitCode();
    else
        outcome.exitCode = 128 + process.exitCode(); // the signal, as a shell shows it
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    return outcome;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        for (const char *name : { "zorvan", "zorvan-sim" }) {
            if (!QFileInfo(binary(QLatin1String(name))).isExecutable())
                QSKIP(qPrintable(binary(QLatin1String(name)) + QStringLiteral(" is not built")));
        }
    }

    // Each row: a command line, the status it ends with and what it says.
    // FILE stands for a settings file that exists, MISSING for one that
    // does not, FOLDER for a folder.
    void refusals_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");

        const QString noDisplay = QStringLiteral("no display: use --headless to run without a window");
        QTest::newRow("window without a display") << "zorvan" << QStringList {} << 1 << noDisplay;
        QTest::newRow("simulator's view without a display")
            << "zorvan-sim" << QStringList { "--link", "LINK", "--view" } << 1 << "no display";

        QTest::newRow("--settings --help is a forgotten file name")
            << "zorvan" << QStringList { "--settings", "--help" } << 2
            << "--settings needs a file name, not --help; see --help";
        QTest::newRow("empty --settings")
            << "zorvan" << QStringList { "--headless", "--settings", "" } << 2
            << "--settings needs a file name; see --help";
        QTest::newRow("--settings without a value")
            << "zorvan" << QStringList { "--headless", "--settings" } << 2 << "see --help";
        QTest::newRow("unknown option")
            << "zorvan" << QStringList { "--headles" } << 2 << "Unknown option 'headles'; see --help";
        QTest::newRow("stray argument")
            << "zorvan" << QStringList { "--headless", "FILE" } << 2 << "unexpected argument";
        QTest::newRow("simulator's unknown option")
            << "zorvan-sim" << QStringList { "--link", "LINK", "--bogus" } << 2 << "see --help";

        QTest::newRow("service on a settings file that does not exist")
            << "zorvan" << QStringList { "--headless", "--settings", "MISSING" } << 78
            << "the settings file MISSING does not exist";
        QTest::newRow("service on the default file, which does not exist")
            << "zorvan" << QStringList { "--headless" } << 78 << "KVL Systems.ini does not exist";
        QTest::newRow("service on a folder")
            << "zorvan" << QStringList { "--headless", "--settings", "FOLDER" } << 78
            << "cannot read the settings file FOLDER: it is a folder";
    }
    void refusals()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);

        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkpath(config));
        const QMap<QString, QString> names { { "FILE", dir.filePath(QStringLiteral("station.ini")) },
            { "MISSING", dir.filePath(QStringLiteral("studio/b.ini")) },
            { "FOLDER", dir.filePath(QStringLiteral("folder.ini")) },
            { "LINK", dir.filePath(QStringLiteral("tty")) } };
        QFile file(names["FILE"]);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[RODIREZ500%2B]\nPTY=3\n");
        file.close();
        QVERIFY(QDir().mkpath(names["FOLDER"]));
        for (QString &argument : arguments)
            argument = names.value(argument, argument);
        for (auto it = names.begin(); it != names.end(); ++it)
            said.replace(it.key(), it.value());

        const Outcome outcome = run(program, arguments, config);
        QVERIFY2(QString::fromLocal8Bit(outcome.err).contains(said), outcome.err.constData());
        QCOMPARE(outcome.exitCode, exitCode);
        // A refused start leaves nothing behind: no folder made for a
        // mistyped file, no default file written.
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("studio"))));
        QVERIFY(QDir(config).isEmpty());
    }

    // A settings file the service's user cannot read is refused with the
    // reason. Root reads everything, so a root test takes the capability
    // away from the program it starts.
    void unreadableSettingsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("station.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[RODIREZ500%2B]\nPTY=3\n");
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
        QStringList prefix;
        if (::geteuid() == 0) {
            const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (setpriv.isEmpty())
                QSKIP("running as root without setpriv to drop CAP_DAC_OVERRIDE");
            prefix = QStringList { setpriv, QStringLiteral("--bounding-set"),
                QStringLiteral("-dac_override,-dac_read_search"), QStringLiteral("--") };
        }
        const Outcome outcome = run(QStringLiteral("zorvan"),
            { QStringLiteral("--headless"), QStringLiteral("--settings"), path }, dir.path(), prefix);
        QVERIFY2(outcome.err.contains("cannot read the settings file " + path.toLocal8Bit() + ": Permission denied"),
            outcome.err.constData());
        QCOMPARE(outcome.exitCode, 78);
    }

    // Help and version answer without a display, whatever else is given.
    void answers_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("printed");
        QTest::newRow("zorvan --settings FILE --help")
            << "zorvan" << QStringList { "--settings", "x.ini", "--help" } << "--settings <FILE>";
        QTest::newRow("zorvan-sim --version") << "zorvan-sim" << QStringList { "--version" } << "zorvan-sim 1.";
        QTest::newRow("zorvan-sim --view --help")
            << "zorvan-sim" << QStringList { "--view", "--help" } << "--link <path>";
    }
    void answers()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, printed);
        QTemporaryDir dir;
        const Outcome outcome = run(program, arguments, dir.path());
        QVERIFY2(QString::fromLocal8Bit(outcome.out).contains(printed), outcome.out + outcome.err);
        QCOMPARE(outcome.exitCode, 0);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
