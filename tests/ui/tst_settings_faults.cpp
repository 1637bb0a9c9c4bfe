#include "fault_privileges.h"
#include "memory_settings_backend.h"
#include "form1_harness.h"
#include "memory_serial_port.h"
#include "settings/settings_store.h"
#include "testsupport.h"
#include "ui/driver.h"
#include "ui/help_support.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <linux/capability.h>

using namespace zorvan;

namespace {

const QString kTold = QStringLiteral("could not be read");
const QString kNotSaved = QStringLiteral("could not be saved");

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

// A settings file as the program writes it, from a record that differs
// from the defaults early and late in the file.
QByteArray goodFile(const QString &scratchPath)
{
    StationSettings record;
    record.MODE = 4;
    record.AF[0] = 12;
    record.RT = QStringLiteral("STORED RADIO TEXT");
    record.TrayAtStart = false;
    {
        IniSettingsBackend backend(scratchPath);
        SaveAllSettings(record, backend);
    }
    const QByteArray bytes = readAll(scratchPath);
    QFile::remove(scratchPath);
    return bytes;
}

// The same bytes every run: noise as a disk error or another program
// leaves it.
QByteArray noise()
{
    QRandomGenerator random(20261208);
    QByteArray bytes(3000, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// What the record holds for `key`, in the store's own text.
QString recordText(const StationSettings &settings, const QString &key)
{
    MemorySettingsBackend memory;
    SaveAllSettings(settings, memory);
    return memory.read(kSettingsSection, key).value_or(QStringLiteral("<absent>"));
}

QString keyOf(const QString &pair)
{
    return pair.section('=', 0, 0);
}

QString expectedText(const QString &pair)
{
    return pair.contains('=') ? pair.section('=', 1) : recordText(StationSettings {}, pair);
}

QString storedText(const QString &iniPath, const QString &key)
{
    IniSettingsBackend backend(iniPath);
    return backend.read(kSettingsSection, key).value_or(QStringLiteral("<absent>"));
}

// The program on a settings file at `iniPath`, with message boxes caught.
class Rig {
public:
    explicit Rig(const QString &iniPath)
        : backend(iniPath)
    {
        m_previousSink = setMessageSink([this](QWidget *, const QString &text) { messages << text; });
        driver = std::make_unique<Driver>(backend, std::make_unique<MemorySerialPort>());
        driver->startUp();
        test::finishSplashes();
    }
    ~Rig()
    {
        driver.reset();
        setMessageSink(m_previousSink);
    }

    Form1 &form() { return driver->window(); }
    const StationSettings &record() { return driver->station().record(); }
    // An edit the window saves at once: "RDS active" toggled.
    bool toggleRdsActive()
    {
        form().findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
        return record().RDSActive;
    }

    IniSettingsBackend backend;
    std::unique_ptr<Driver> driver;
    QStringList messages;

private:
    MessageSink m_previousSink;
};

} // namespace

class TestSettingsFaults : public QObject {
    Q_OBJECT

private slots:
    // A settings file that is not what the program wrote: what can be read
    // is kept, the rest starts at its defaults, the status bar says so, and
    // the file stays as it is until the operator changes a setting.
    void damagedFile_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("told");
        // "KEY=stored text" the record holds after start-up; "KEY" alone:
        // the key is at its default.
        QTest::addColumn<QStringList>("kept");

        const QStringList defaults { "MODE", "RT", "AF1" };
        QTest::newRow("binary noise") << "noise" << true << defaults;
        QTest::newRow("plain prose") << "prose" << true << defaults;
        QTest::newRow("broken section header") << "header" << true << QStringList {};
        QTest::newRow("cut in the middle of a key")
            << "cut key" << true << QStringList { "MODE=4", "AF1=12", "RT" };
        QTest::newRow("cut right after an equals sign")
            << "cut value" << false << QStringList { "MODE=4", "AF1=12", "RT" };
        // Fewer keys than the program writes is a file of an older version,
        // not damage.
        QTest::newRow("cut at a line end") << "cut line" << false << QStringList { "MODE=4", "AF1=12", "RT" };
        QTest::newRow("empty file") << "empty" << false << defaults;
    }
    void damagedFile()
    {
        QFETCH(QString, damage);
        QFETCH(bool, told);
        QFETCH(QStringList, kept);
        test::IsolatedConfig config;
        const QString iniPath = config.path() + QStringLiteral("/KVL Systems.ini");
        const QByteArray good = goodFile(iniPath);
        const qsizetype psLine = good.indexOf("\nPS50=") + 1;
        QVERIFY(psLine > good.indexOf("\nMODE=") && psLine < good.indexOf("\nRT="));

        QByteArray bytes;
        if (damage == "noise")
            bytes = noise();
        else if (damage == "prose")
            bytes = "Dear diary,\nthe settings were here once.\n";
        else if (damage == "header")
            bytes = "[RODIREZ500+\nMODE=4\n";
        else if (damage == "cut key")
            bytes = good.left(psLine + 3);
        else if (damage == "cut value")
            bytes = good.left(psLine + 5);
        else if (damage == "cut line")
            bytes = good.left(psLine);
        QVERIFY(writeAll(iniPath, bytes));

        Rig rig(iniPath);
        QCOMPARE(rig.form().statusText().contains(kTold), told);
        QVERIFY2(rig.messages.isEmpty(), qPrintable(rig.messages.join('\n')));
        for (const QString &pair : kept)
            QCOMPARE(recordText(rig.record(), keyOf(pair)), expectedText(pair));
        if (told) {
            // Start-up must not put defaults over a file that may be mended
            // by hand.
            QCOMPARE(readAll(iniPath), bytes);
        }

        // The operator changes a setting: now the whole record is saved,
        // with what was kept.
        const bool rdsActive = rig.toggleRdsActive();
        QVERIFY(!rig.form().statusText().contains(kNotSaved));
        QVERIFY(IniSettingsBackend(iniPath).readable());
        QCOMPARE(storedText(iniPath, QStringLiteral("RDSActive")), flagToStoredText(rdsActive));
        for (const QString &pair : kept)
            QCOMPARE(storedText(iniPath, keyOf(pair)), expectedText(pair));
        QVERIFY(rig.messages.isEmpty());
    }

    // A medium that refuses writes: the program starts, keeps every edit
    // for the session, says once that it could not save, and saves the
    // next edit once the medium takes writes again.
    void mediumRefusesWrites_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("toldAtStart");
        QTest::newRow("settings path is a folder") << "folder" << true;
        QTest::newRow("read-only folder") << "read-only" << false;
    }
    void mediumRefusesWrites()
    {
        QFETCH(QString, how);
        QFETCH(bool, toldAtStart);
        test::IsolatedConfig config;
        const QString folder = config.path() + QStringLiteral("/settings");
        QVERIFY(QDir().mkpath(folder));
        const QString iniPath = folder + QStringLiteral("/KVL Systems.ini");
        std::optional<test::ReducedCapabilities> asUser;
        if (how == "folder") {
            QVERIFY(QDir().mkpath(iniPath));
        } else {
            QVERIFY(writeAll(iniPath, goodFile(iniPath)));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            // Root writes into a read-only folder; without the right to
            // pass permissions it meets the folder as its owner does.
            asUser.emplace(std::initializer_list<int> { CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH });
            if (!asUser->ok())
                QSKIP(qPrintable(QStringLiteral("cannot give up root's rights here: ") + asUser->error()));
        }
        auto restore = qScopeGuard(
            [&] { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });

        Rig rig(iniPath);
        QCOMPARE(rig.form().statusText().contains(kTold), toldAtStart);
        QCOMPARE(rig.record().MODE, qint16(how == "folder" ? 0 : 4));

        const bool first = rig.toggleRdsActive();
        QCOMPARE(rig.record().RDSActive, first);
        QVERIFY(rig.form().statusText().contains(kNotSaved));
        // Told once: a second refused save leaves the status bar alone.
        QSignalSpy changes(&rig.driver->station(), &Station::changed);
        const bool second = rig.toggleRdsActive();
        QCOMPARE(second, !first);
        for (const QList<QVariant> &change : changes)
            QVERIFY(!(change.at(0).toUInt() & Station::Status));
        QVERIFY(rig.messages.isEmpty());

        // The medium takes writes again.
        if (how == "folder")
            QVERIFY(QDir(iniPath).removeRecursively());
        restore.dismiss();
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const bool third = rig.toggleRdsActive();
        QCOMPARE(rig.form().statusText(), QStringLiteral("Ready"));
        QCOMPARE(storedText(iniPath, QStringLiteral("RDSActive")), flagToStoredText(third));
        QCOMPARE(storedText(iniPath, QStringLiteral("MODE")), QString::number(how == "folder" ? 0 : 4));

        // And a second failure after a success is told again.
        QVERIFY(QFile::remove(iniPath));
        QVERIFY(QDir().mkpath(iniPath));
        rig.toggleRdsActive();
        QVERIFY(rig.form().statusText().contains(kNotSaved));
    }
};

QTEST_MAIN(TestSettingsFaults)
#include "tst_settings_faults.moc"
