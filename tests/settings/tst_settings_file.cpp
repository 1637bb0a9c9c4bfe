#include "fault_privileges.h"
#include "settings/settings_store.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>

#include <cerrno>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zorvan;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A file as an operator's disk holds it: the station's keys, the COM map,
// a section of some other option and a key outside any section.
const QByteArray kUsersFile
    = "[General]\nloose=1\n\n[Ports]\nCOM1=/dev/ttyUSB0\nCOM3=tcp://10.0.0.5:4001\n\n"
      "[Window]\ngeometry=@ByteArray(\\x1\\xd9\\xd0\\xcb)\n\n[RODIREZ500%2B]\nMODE=4\n";

void expectOtherSectionsKept(const QString &path)
{
    const QSettings raw(path, QSettings::IniFormat);
    QCOMPARE(raw.value("loose").toString(), QStringLiteral("1"));
    QCOMPARE(raw.value("Ports/COM1").toString(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(raw.value("Ports/COM3").toString(), QStringLiteral("tcp://10.0.0.5:4001"));
    QCOMPARE(raw.value("Window/geometry").toByteArray(), QByteArray("\x01\xd9\xd0\xcb"));
}

// A tmpfs of a few pages, mounted for the life of the object.
class SmallFileSystem {
public:
    SmallFileSystem()
    {
        m_mounted = ::mount("tmpfs", qPrintable(m_dir.path()), "tmpfs", 0, "size=64k") == 0;
        if (!m_mounted)
            m_error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(qPrintable(m_dir.path()), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString error() const { return m_error; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_error;
};

// Fills the file system at `folder`, then frees one page again.
bool fillAllButOnePage(const QString &filler)
{
    QFile file(filler);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray page(4096, 'x');
    while (file.write(page) == page.size() && file.flush()) { }
    file.close();
    return file.resize(QFileInfo(filler).size() / 4096 * 4096 - 4096);
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void textsSurviveTheFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("comma") << "ROCK, POP";
        QTest::newRow("only commas") << ",,";
        QTest::newRow("double quotes") << "say \"hi\"";
        QTest::newRow("backslashes") << "c:\\radio\\now.txt";
        QTest::newRow("leading and trailing blanks") << "  RDS   ";
        QTest::newRow("date placeholder") << "@DATE   ";
        QTest::newRow("looks like a stored variant") << "@Variant(abc)";
        QTest::newRow("semicolon and equals") << "a;b=c";
        QTest::newRow("Windows-1252 letters") << QString::fromUtf8("ÇA VA, ŠKODA €");
        QTest::newRow("beyond Windows-1252") << QString::fromUtf8("Čajkovskij 日本");
        QTest::newRow("empty") << "";
    }
    void textsSurviveTheFile()
    {
        QFETCH(QString, text);
        test::IsolatedConfig config;
        {
            IniSettingsBackend backend(config.iniPath());
            backend.write(kSettingsSection, "RT", text);
            backend.write(kPortsSection, "COM2", text);
            QVERIFY(backend.flush());
        }
        QVERIFY(readAll(config.iniPath()).startsWith("[Ports]\n"));
        QVERIFY(readAll(config.iniPath()).contains("\n[RODIREZ500%2B]\n"));
        IniSettingsBackend again(config.iniPath());
        QVERIFY(again.readable());
        QCOMPARE(again.read(kSettingsSection, "RT"), std::optional<QString>(text));
        QCOMPARE(again.read(kPortsSection, "COM2"), std::optional<QString>(text));
    }

    void otherSectionsSurviveSaves()
    {
        test::IsolatedConfig config;
        QVERIFY(writeAll(config.iniPath(), kUsersFile));
        IniSettingsBackend backend(config.iniPath());
        StationSettings settings;
        QCOMPARE(LoadAllSettings(settings, backend), StoreStatus::Ok);
        QCOMPARE(settings.MODE, qint16(4));
        settings.MODE = 2;
        for (int save = 0; save < 2; ++save)
            QCOMPARE(SaveAllSettings(settings, backend), StoreStatus::Ok);
        expectOtherSectionsKept(config.iniPath());
        QSettings raw(config.iniPath(), QSettings::IniFormat);
        raw.beginGroup(kSettingsSection);
        QCOMPARE(raw.childKeys().size(), 257);
        QCOMPARE(raw.value("MODE").toString(), QStringLiteral("2"));
        QCOMPARE(entriesOf(config.path()), QStringList { "KVL Systems.ini" });
    }

    void reloadReadsTheFileAgain()
    {
        test::IsolatedConfig config;
        IniSettingsBackend first(config.iniPath());
        first.write(kSettingsSection, "MODE", "3");
        IniSettingsBackend second(config.iniPath());
        second.write(kSettingsSection, "RT", "from the other");
        QVERIFY(second.flush());
        first.reload();
        QCOMPARE(first.read(kSettingsSection, "MODE"), std::nullopt);
        QCOMPARE(first.read(kSettingsSection, "RT"), std::optional<QString>("from the other"));
    }

    // A stale lock of QSettings (its process id now another program's, or
    // this very process) once froze every save; saves no longer take it.
    void qsettingsLockIsNotTaken()
    {
        test::IsolatedConfig config;
        const QByteArray lock = QByteArray::number(::getpid()) + "\nother\n" + qgetenv("HOSTNAME") + "\n";
        QVERIFY(writeAll(config.iniPath() + ".lock", lock));
        IniSettingsBackend backend(config.iniPath());
        backend.write(kSettingsSection, "MODE", "1");
        QVERIFY(backend.flush());
        QCOMPARE(readAll(config.iniPath() + ".lock"), lock);
    }

    // A save that cannot be written whole leaves the old file as it was,
    // leaves nothing behind, and the next save once the cause is gone
    // works.
    void refusedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("full file system") << "full";
        QTest::newRow("read-only folder") << "read-only";
        QTest::newRow("value the file cannot hold") << "mismatch";
        QTest::newRow("folder in place of the file") << "folder";
    }
    void refusedSaveKeepsTheOldFile()
    {
        QFETCH(QString, cause);
        test::IsolatedConfig config;
        std::optional<SmallFileSystem> small;
        QString folder = config.path();
        if (cause == "full") {
            small.emplace();
            if (!small->mounted())
                QSKIP(qPrintable("cannot mount a small tmpfs here: " + small->error()));
            folder = small->path();
        }
        const QString path = folder + "/KVL Systems.ini";
        QVERIFY(writeAll(path, kUsersFile));
        IniSettingsBackend backend(path);
        StationSettings settings;
        LoadAllSettings(settings, backend);
        QCOMPARE(SaveAllSettings(settings, backend), StoreStatus::Ok);
        const QByteArray before = readAll(path);
        const QStringList entriesBefore = entriesOf(folder);

        std::optional<test::ReducedCapabilities> asUser;
        if (cause == "full") {
            QVERIFY(fillAllButOnePage(folder + "/filler"));
        } else if (cause == "read-only") {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            asUser.emplace(std::initializer_list<int> { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH });
            if (!asUser->ok())
                QSKIP(qPrintable("cannot give up root's rights here: " + asUser->error()));
        } else if (cause == "mismatch") {
            // Half a surrogate pair has no UTF-8 form.
            settings.RT = QString(QChar(0xD800));
        } else {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkpath(path + "/inside"));
        }
        auto restore = qScopeGuard(
            [&] { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });

        settings.MODE = 5;
        QCOMPARE(SaveAllSettings(settings, backend), StoreStatus::Unwritable);
        if (cause != "folder")
            QCOMPARE(readAll(path), before);
        asUser.reset();
        restore.dismiss();
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(entriesOf(folder).filter("KVL"), entriesBefore);

        if (cause == "full")
            QVERIFY(QFile::remove(folder + "/filler"));
        else if (cause == "mismatch")
            settings.RT = QStringLiteral("fine again");
        else if (cause == "folder")
            QVERIFY(QDir(path).removeRecursively());
        QCOMPARE(SaveAllSettings(settings, backend), StoreStatus::Ok);
        QCOMPARE(IniSettingsBackend(path).read(kSettingsSection, "MODE"), std::optional<QString>("5"));
        if (cause != "folder")
            expectOtherSectionsKept(path);
        QCOMPARE(entriesOf(folder).filter("KVL"), QStringList { "KVL Systems.ini" });
    }

    void fileThatCouldNotBeReadIsNotReplaced()
    {
        test::IsolatedConfig config;
        QVERIFY(writeAll(config.iniPath(), kUsersFile));
        QVERIFY(QFile::setPermissions(config.iniPath(), QFile::WriteOwner));
        std::optional<test::ReducedCapabilities> asUser;
        asUser.emplace(std::initializer_list<int> { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH });
        if (!asUser->ok())
            QSKIP(qPrintable("cannot give up root's rights here: " + asUser->error()));
        IniSettingsBackend backend(config.iniPath());
        asUser.reset();
        QVERIFY(!backend.readable());
        QCOMPARE(SaveAllSettings(StationSettings(), backend), StoreStatus::Unwritable);
        QVERIFY(QFile::setPermissions(config.iniPath(), QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(readAll(config.iniPath()), kUsersFile);

        backend.reload();
        QCOMPARE(SaveAllSettings(StationSettings(), backend), StoreStatus::Ok);
        expectOtherSectionsKept(config.iniPath());
    }

    // A file the user may not write, by its bits and its owner, is never
    // replaced, though root could rename a new one over it.
    void readOnlyFileIsNeverReplaced_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("otherOwner");
        QTest::newRow("own file, mode 444") << 0444 << false;
        QTest::newRow("another user's file, mode 644") << 0644 << true;
    }
    void readOnlyFileIsNeverReplaced()
    {
        QFETCH(int, mode);
        QFETCH(bool, otherOwner);
        test::IsolatedConfig config;
        const QByteArray path = QFile::encodeName(config.iniPath());
        QVERIFY(writeAll(config.iniPath(), kUsersFile));
        // 65534 is "nobody" on Debian: never the user running the tests.
        if (otherOwner && ::chown(path.constData(), 65534, 65534) != 0)
            QSKIP("cannot give the file to another user here");
        QCOMPARE(::chmod(path.constData(), mode_t(mode)), 0);
        struct stat before { };
        QCOMPARE(::stat(path.constData(), &before), 0);

        IniSettingsBackend backend(config.iniPath());
        QVERIFY(backend.readable());
        QVERIFY(backend.readOnly());
        QCOMPARE(SaveAllSettings(StationSettings(), backend), StoreStatus::Unwritable);
        struct stat after { };
        QCOMPARE(::stat(path.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(readAll(config.iniPath()), kUsersFile);
    }

    // Someone else changed the file after it was read: a save keeps what
    // they wrote, except where this store wrote a value itself, and the
    // program's own save is no outside change.
    void outsideChangeIsTakenInBeforeASave()
    {
        test::IsolatedConfig config;
        QVERIFY(writeAll(config.iniPath(), kUsersFile + "PTY=3\nRT=old\n"));
        IniSettingsBackend backend(config.iniPath());
        QVERIFY(!backend.changedOutside());

        QVERIFY(writeAll(config.iniPath(), kUsersFile + "PTY=9\nRT=EDITED BY HAND\n"));
        QVERIFY(backend.changedOutside());
        backend.write(kSettingsSection, "PTY", "3"); // what it held: no change of its own
        backend.write(kSettingsSection, "MODE", "1");
        QVERIFY(backend.flush());
        QVERIFY(!backend.changedOutside());
        QCOMPARE(backend.read(kSettingsSection, "RT").value_or("<none>"), QStringLiteral("EDITED BY HAND"));

        const QSettings raw(config.iniPath(), QSettings::IniFormat);
        QCOMPARE(raw.value("RODIREZ500+/PTY").toString(), QStringLiteral("9"));
        QCOMPARE(raw.value("RODIREZ500+/MODE").toString(), QStringLiteral("1"));
        expectOtherSectionsKept(config.iniPath());
    }

    // A file gone at a reload is no empty file: what was read stays, and
    // the store says it could not read it.
    void fileGoneAtReloadKeepsTheValues()
    {
        test::IsolatedConfig config;
        QVERIFY(writeAll(config.iniPath(), kUsersFile));
        IniSettingsBackend backend(config.iniPath());
        QVERIFY(QFile::remove(config.iniPath()));
        QVERIFY(!backend.reload());
        QVERIFY(!backend.readable());
        QCOMPARE(backend.read(kPortsSection, "COM1"), std::optional<QString>("/dev/ttyUSB0"));
        QVERIFY(!backend.mergeOutsideChange());

        QVERIFY(writeAll(config.iniPath(), kUsersFile));
        QVERIFY(backend.reload());
    }

    void leftoversOfKilledSavesAreRemoved()
    {
        test::IsolatedConfig config;
        QVERIFY(writeAll(config.iniPath(), kUsersFile));
        const QString base = config.iniPath();
        QVERIFY(QDir().mkpath(base + ".saving-qWeRtY"));
        QVERIFY(writeAll(base + ".saving-qWeRtY/written.ini", "[Ports]\n"));
        QVERIFY(writeAll(base + ".saving-qWeRtY/written.ini.lock", "1\n"));
        QVERIFY(writeAll(base + ".aBcDeF", kUsersFile));
        QVERIFY(writeAll(base + ".XyZzYq", ""));
        const QStringList kept { "KVL Systems.ini", "KVL Systems.ini.Backup", "KVL Systems.ini.backup",
            "KVL Systems.ini.instance", "KVL Systems.ini.lock", "KVL Systems.ini.saving-notes",
            "KVL Systems.ini.toolong", "Other.ini.aBcDeF" };
        for (const QString &name : kept.mid(1))
            QVERIFY(writeAll(config.path() + "/" + name, "keep"));

        QCOMPARE(IniSettingsBackend::removeSaveLeftovers(base), 3);
        QCOMPARE(entriesOf(config.path()), kept);
        QCOMPARE(readAll(base), kUsersFile);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
