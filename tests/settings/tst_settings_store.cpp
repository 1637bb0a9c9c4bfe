#include "memory_settings_backend.h"
#include "settings/settings_store.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>

#include <QSettings>
#include <QtTest>
#include <unistd.h>

using namespace zorvan;

namespace {

QString stored(const MemorySettingsBackend &b, const QString &key)
{
    const auto it = b.values.find(kSettingsSection + "/" + key);
    return it == b.values.end() ? QStringLiteral("<absent>") : it->second;
}

void put(MemorySettingsBackend &b, const QString &key, const QString &value)
{
    b.values[kSettingsSection + "/" + key] = value;
}

StationSettings everyFieldChanged()
{
    StationSettings s;
    s.CountryCode = 3;
    s.AreaCoverage = 15;
    s.ProgramReference = 255;
    s.ECC = 5;
    s.PTY = 31;
    s.TP = 1;
    s.TA = 1;
    s.MS = 0;
    s.DId0 = 0;
    s.DId1 = 0;
    s.DId2 = 0;
    s.DId3 = 0;
    for (int i = 0; i < kAfCount; ++i)
        s.AF[i] = qint16(200 - i);
    s.AFNum = 7;
    s.TransmitAF = true;
    for (int i = 0; i < kLabelCount; ++i) {
        s.PS[i] = QStringLiteral("L%1, x ").arg(i, 3, 10, QLatin1Char('0'));
        s.PSDelay[i] = qint16(i % 10);
    }
    s.PSDelay100 = -7;
    s.SETTOSAMEDELAY = 9;
    s.RT = QString::fromUtf8("ÇA, \"quoted\" = 100% ; ok");
    for (int i = 0; i < kMessageCount; ++i)
        s.MG[i] = QStringLiteral("MESSAGE %1").arg(i);
    for (int i = 0; i < kExtraRtCount; ++i)
        s.RTn[i] = QStringLiteral("extra %1").arg(i);
    s.AutoPS = 2;
    s.AutoPSDelay = 9;
    s.AutoPSPath = QStringLiteral("/home/dj/now playing.txt");
    s.GetMP3Tag = QStringLiteral("d:\\radio\\rt.txt");
    s.RTSwitch = 0;
    s.InsertDate = false;
    s.InsertTime = false;
    s.ScrollPS = false;
    s.AutoPSSplit = false;
    s.TurboPSDelay = -3;
    s.DynamicPS = 4;
    s.DynamicRT = 5;
    s.WinAmpVersion = QStringLiteral("studio");
    s.COMSelected = 8;
    s.COMSpeed = 4;
    s.MODE = 5;
    s.RDSActive = false;
    s.TrayAtStart = true;
    s.BaseAddress = 768;
    return s;
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void emptyStoreGivesDefaults()
    {
        MemorySettingsBackend b;
        StationSettings s = everyFieldChanged();
        QCOMPARE(LoadAllSettings(s, b), StoreStatus::Ok);
        QVERIFY(s == StationSettings());
        QCOMPARE(s.CountryCode * 4096 + s.AreaCoverage * 256 + s.ProgramReference, 0xC080);
    }

    void saveWritesExactly257KeysInOrder()
    {
        const QStringList keys = settingsKeyOrder();
        QCOMPARE(keys.size(), 257);
        QCOMPARE(keys.first(), QStringLiteral("ECC"));
        QCOMPARE(keys.at(1), QStringLiteral("CountryCode"));
        QCOMPARE(keys.at(2), QStringLiteral("PortSelected"));
        QCOMPARE(keys.at(13), QStringLiteral("PS"));
        QCOMPARE(keys.at(14), QStringLiteral("PS1"));
        QCOMPARE(keys.at(112), QStringLiteral("PS99"));
        QCOMPARE(keys.at(113), QStringLiteral("PSDelay"));
        QCOMPARE(keys.at(213), QStringLiteral("PSDelay100"));
        QCOMPARE(keys.last(), QStringLiteral("GetMP3Tag"));
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), 257);
        QVERIFY(!keys.contains(QStringLiteral("BaseAddress")));

        MemorySettingsBackend b;
        QCOMPARE(SaveAllSettings(StationSettings(), b), StoreStatus::Ok);
        QCOMPARE(int(b.values.size()), 257);
        QCOMPARE(b.writeCount, 257);
    }

    void storedTextForms_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("integer as decimal") << "CountryCode"
                                            << "12";
        QTest::newRow("ECC selector") << "ECC"
                                      << "2";
        QTest::newRow("flag true") << "RDSActive"
                                   << "True";
        QTest::newRow("flag false") << "TrayAtStart"
                                    << "False";
        QTest::newRow("label keeps trailing blanks") << "PS7"
                                                     << "  RDS   ";
        QTest::newRow("blank label") << "PS99"
                                     << "        ";
        QTest::newRow("101st delay") << "PSDelay100"
                                     << "0";
        QTest::newRow("base address under PortSelected") << "PortSelected"
                                                         << "10";
        QTest::newRow("path as typed") << "AutoPSPath"
                                       << "c:\\SongName.txt";
        QTest::newRow("message") << "MG7"
                                 << "External message 8, switch 8";
        QTest::newRow("AF1") << "AF1"
                             << "125";
        QTest::newRow("player") << "WinAmpVersion"
                                << "Studio";
    }
    void storedTextForms()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        MemorySettingsBackend b;
        SaveAllSettings(StationSettings(), b);
        QCOMPARE(stored(b, key), text);
    }

    void negativeOneLoadsAsTrueAndSavesAsTrue()
    {
        MemorySettingsBackend b;
        put(b, "InsertTime", "-1");
        put(b, "TrayAtStart", "-1");
        StationSettings s;
        LoadAllSettings(s, b);
        QVERIFY(s.TrayAtStart);
        SaveAllSettings(s, b);
        QCOMPARE(stored(b, "TrayAtStart"), QStringLiteral("True"));
        QCOMPARE(stored(b, "InsertTime"), QStringLiteral("True"));
    }

    void baseAddressIsReadFromItsOwnKey()
    {
        MemorySettingsBackend b;
        put(b, "BaseAddress", "768");
        put(b, "PortSelected", "5");
        StationSettings s;
        LoadAllSettings(s, b);
        QCOMPARE(s.BaseAddress, qint16(768));
        SaveAllSettings(s, b);
        QCOMPARE(stored(b, "PortSelected"), QStringLiteral("768"));
        QCOMPARE(stored(b, "BaseAddress"), QStringLiteral("768")); // never written, kept as it was
    }

    void badStoredValuesLoadAsDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("word for integer") << "CountryCode"
                                          << "twelve";
        QTest::newRow("empty integer") << "PTY"
                                       << "";
        QTest::newRow("blank integer") << "AF1"
                                       << "   ";
        QTest::newRow("too big for 16 bits") << "ProgramReference"
                                             << "40000";
        QTest::newRow("huge number") << "PSDelay5"
                                     << "99999999999999999999999999";
        QTest::newRow("too small for 16 bits") << "MODE"
                                               << "-32769";
        QTest::newRow("decimal fraction") << "ECC"
                                          << "2.5";
        QTest::newRow("hex") << "AreaCoverage"
                             << "0x10";
        QTest::newRow("trailing garbage") << "COMSpeed"
                                          << "4abc";
        QTest::newRow("word for flag") << "RDSActive"
                                       << "yes";
        QTest::newRow("empty flag") << "InsertDate"
                                    << "";
        QTest::newRow("huge flag") << "ScrollPS"
                                   << "1e999";
    }
    void badStoredValuesLoadAsDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QString, text);
        MemorySettingsBackend b;
        put(b, key, text);
        StationSettings s = everyFieldChanged();
        QStringList unusable;
        LoadAllSettings(s, b, &unusable);
        QVERIFY(s == StationSettings());
        // Named once, with the default that stands in for it.
        MemorySettingsBackend defaults;
        SaveAllSettings(StationSettings(), defaults);
        QCOMPARE(unusable,
            QStringList { QStringLiteral("[RODIREZ500+] %1=%2 cannot be used; %3 is used instead")
                              .arg(key, text, stored(defaults, key)) });
    }

    // Every key by the name the file holds it under, written out here
    // rather than taken from the store's table: a name misspelt there
    // ("AutoPsDelay") loses the operator's value at the next start. Each
    // row stores a value unlike the default under its name, loads it, and
    // finds it under the same name after a save.
    void everyKeyByItsExactName_data()
    {
        QTest::addColumn<QString>("loadKey");
        QTest::addColumn<QString>("saveKey");
        QTest::addColumn<QString>("text");
        const auto row = [](const QString &key, const QString &text, const QString &loadKey = QString()) {
            QTest::newRow(qPrintable(key)) << (loadKey.isEmpty() ? key : loadKey) << key << text;
        };
        row("ECC", "5");
        row("CountryCode", "3");
        row("PortSelected", "768", "BaseAddress");
        row("COMSelected", "8");
        row("COMSpeed", "4");
        row("AreaCoverage", "15");
        row("ProgramReference", "255");
        row("MODE", "5");
        row("TransmitAF", "True");
        row("TP", "1");
        row("TA", "1");
        row("MS", "0");
        row("PTY", "31");
        row("PS", "FIRST   ");
        for (int i = 1; i < 100; ++i)
            row(QStringLiteral("PS%1").arg(i), QStringLiteral("LABEL%1").arg(i, 2, 10, QLatin1Char('0')));
        row("PSDelay", "-1");
        for (int i = 1; i <= 100; ++i)
            row(QStringLiteral("PSDelay%1").arg(i), QString::number(100 + i));
        row("SETTOSAMEDELAY", "9");
        row("AutoPS", "2");
        row("AutoPSDelay", "9");
        row("TurboPSDelay", "-3");
        row("AutoPSPath", "/srv/now playing.txt");
        row("AutoPSSplit", "False");
        row("ScrollPS", "False");
        row("InsertTime", "False");
        row("TrayAtStart", "True");
        row("RDSActive", "False");
        row("InsertDate", "False");
        row("RT", "OUR RADIO TEXT");
        for (int i = 0; i < 8; ++i)
            row(QStringLiteral("MG%1").arg(i), QStringLiteral("MESSAGE %1").arg(i));
        for (int i = 1; i <= 6; ++i)
            row(QStringLiteral("RT%1").arg(i), QStringLiteral("EXTRA %1").arg(i));
        row("RTSwitch", "0");
        row("AFNum", "7");
        for (int i = 1; i <= 7; ++i)
            row(QStringLiteral("AF%1").arg(i), QString::number(200 + i));
        for (int i = 0; i < 4; ++i)
            row(QStringLiteral("DId%1").arg(i), "0");
        row("DynamicPS", "4");
        row("DynamicRT", "5");
        row("WinAmpVersion", "Lite");
        row("GetMP3Tag", "/srv/rt.txt");
    }
    void everyKeyByItsExactName()
    {
        QFETCH(QString, loadKey);
        QFETCH(QString, saveKey);
        QFETCH(QString, text);
        MemorySettingsBackend defaults;
        SaveAllSettings(StationSettings(), defaults);
        QVERIFY2(stored(defaults, saveKey) != text, "the row's value must differ from the default");

        MemorySettingsBackend b;
        put(b, loadKey, text);
        StationSettings s;
        QStringList unusable;
        QCOMPARE(LoadAllSettings(s, b, &unusable), StoreStatus::Ok);
        QCOMPARE(unusable, QStringList());
        MemorySettingsBackend out;
        SaveAllSettings(s, out);
        QCOMPARE(stored(out, saveKey), text);
    }

    void acceptedTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("integer");
        QTest::newRow("plain") << "12" << 12;
        QTest::newRow("negative") << "-5" << -5;
        QTest::newRow("surrounding blanks") << " 7 " << 7;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("largest") << "32767" << 32767;
        QTest::newRow("smallest") << "-32768" << -32768;
    }
    void acceptedTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, integer);
        QCOMPARE(storedTextToInteger(text), std::optional<qint16>(qint16(integer)));
    }

    void flagTexts()
    {
        QCOMPARE(storedTextToFlag("True"), std::optional<bool>(true));
        QCOMPARE(storedTextToFlag("False"), std::optional<bool>(false));
        QCOMPARE(storedTextToFlag("true"), std::optional<bool>(true));
        QCOMPARE(storedTextToFlag("0"), std::optional<bool>(false));
        QCOMPARE(storedTextToFlag("1"), std::optional<bool>(true));
        QCOMPARE(storedTextToFlag("-1"), std::optional<bool>(true));
        QCOMPARE(storedTextToFlag("maybe"), std::optional<bool>());
    }

    void labelsAreNotRefittedOnLoad()
    {
        MemorySettingsBackend b;
        put(b, "PS3", "AB");
        put(b, "PS4", "ABCDEFGHIJKL");
        StationSettings s;
        LoadAllSettings(s, b);
        QCOMPARE(s.PS[3], QStringLiteral("AB"));
        QCOMPARE(s.PS[4], QStringLiteral("ABCDEFGHIJKL"));
    }

    void everyFieldSurvivesARoundTrip()
    {
        MemorySettingsBackend b;
        const StationSettings original = everyFieldChanged();
        SaveAllSettings(original, b);
        StationSettings back;
        LoadAllSettings(back, b);
        // The base address is written under another key than it is read
        // from, so it comes back as its default.
        QCOMPARE(back.BaseAddress, qint16(10));
        back.BaseAddress = original.BaseAddress;
        QVERIFY(back == original);
    }

    void everyFieldSurvivesTheIniFile()
    {
        test::IsolatedConfig config;
        const StationSettings original = everyFieldChanged();
        {
            IniSettingsBackend b(config.iniPath());
            QCOMPARE(SaveAllSettings(original, b), StoreStatus::Ok);
        }
        QVERIFY(QFile::exists(config.iniPath()));
        IniSettingsBackend b(config.iniPath());
        StationSettings back;
        QCOMPARE(LoadAllSettings(back, b), StoreStatus::Ok);
        back.BaseAddress = original.BaseAddress;
        QVERIFY(back == original);

        QSettings raw(config.iniPath(), QSettings::IniFormat);
        raw.beginGroup(kSettingsSection);
        QCOMPARE(raw.childKeys().size(), 257);
    }

    void defaultFileLivesInTheConfigFolder()
    {
        test::IsolatedConfig config;
        QCOMPARE(IniSettingsBackend::defaultFilePath(), config.iniPath());
    }

    void unwritableFileIsReportedNotFatal()
    {
        // A folder where the file should be defeats even root.
        test::IsolatedConfig config;
        QVERIFY(QDir().mkpath(config.iniPath()));
        IniSettingsBackend b(config.iniPath());
        StationSettings s;
        QCOMPARE(LoadAllSettings(s, b), StoreStatus::Unreadable);
        QVERIFY(s == StationSettings());
        QCOMPARE(SaveAllSettings(s, b), StoreStatus::Unwritable);
    }

    void readOnlyFolderIsReportedNotFatal()
    {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders; the folder-as-file case covers the reporting");
        test::IsolatedConfig config;
        QFile::setPermissions(config.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        IniSettingsBackend b(config.iniPath());
        QCOMPARE(SaveAllSettings(StationSettings(), b), StoreStatus::Unwritable);
        QFile::setPermissions(
            config.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void refusedWritesAreReported()
    {
        MemorySettingsBackend b;
        b.failWrites = true;
        QCOMPARE(SaveAllSettings(StationSettings(), b), StoreStatus::Unwritable);
    }

    void garbageFileLoadsDefaults()
    {
        test::IsolatedConfig config;
        QFile f(config.iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk.append(char((i * 7919) % 256));
        f.write(junk);
        f.close();
        IniSettingsBackend b(config.iniPath());
        StationSettings s = everyFieldChanged();
        LoadAllSettings(s, b);
        QVERIFY(s == StationSettings());
        QCOMPARE(SaveAllSettings(s, b), StoreStatus::Ok);
        IniSettingsBackend again(config.iniPath());
        StationSettings back;
        QCOMPARE(LoadAllSettings(back, again), StoreStatus::Ok);
        QVERIFY(back == StationSettings());
    }

    void fileTruncatedMidLineKeepsWhatItHas()
    {
        test::IsolatedConfig config;
        QFile f(config.iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[RODIREZ500%2B]\nCountryCode=3\nPTY=1");
        f.close();
        QSettings probe(config.iniPath(), QSettings::IniFormat);
        IniSettingsBackend b(config.iniPath());
        StationSettings s;
        LoadAllSettings(s, b);
        // Whatever the file still holds is taken; the cut value is a whole
        // number here and loads too.
        QCOMPARE(s.CountryCode, qint16(probe.value("RODIREZ500+/CountryCode").isValid() ? 3 : 12));
        QCOMPARE(s.ECC, qint16(2));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settings_store.moc"
