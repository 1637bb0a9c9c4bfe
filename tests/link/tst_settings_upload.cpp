#include "link/settings_upload.h"
#include "plan_script.h"

#include <QMap>
#include <QtTest>

#include <functional>

using namespace zorvan;
using zorvan::test::planLines;
using zorvan::test::PlanScript;

Q_DECLARE_METATYPE(zorvan::SettingsUploadInput)
Q_DECLARE_METATYPE(zorvan::StationSettings)

namespace {

using FrameValues = QMap<QByteArray, QByteArray>;

// What the window shows with the record's defaults: 100 MHz in AF1.
SettingsUploadInput defaultInput()
{
    SettingsUploadInput in;
    in.rdsActive = true;
    in.afTexts = { "100", "empty", "empty", "empty", "empty", "empty", "empty" };
    in.firstLabel = QStringLiteral("*ZORVAN*");
    return in;
}

SettingsUploadInput with(const std::function<void(SettingsUploadInput &)> &change)
{
    SettingsUploadInput in = defaultInput();
    change(in);
    return in;
}

QByteArray crs(int n)
{
    return QByteArray(n, '\r');
}

QByteArray byte(int value)
{
    return QByteArray(1, static_cast<char>(value));
}

// The values the defaults send, written out by hand.
FrameValues defaultValues()
{
    const QByteArray rt = "ZORVAN Q500+ RDS encoder by KVL Systems";
    return {
        { "PWR", "1" },
        { "CCAC", "192" },
        { "PREF", "128" },
        { "PTY", "10" },
        { "TP", "0" },
        { "TA", "0" },
        { "MS", "1" },
        { "Did0", "1" },
        { "Did1", "1" },
        { "Did2", "1" },
        { "Did3", "1" },
        { "AF0", byte(229) },
        { "AF1", byte(129) },
        { "AF2", byte(4) },
        { "AF3", byte(4) },
        { "AF4", byte(4) },
        { "AF5", byte(4) },
        { "AF6", byte(4) },
        { "AF7", byte(4) },
        { "RT", rt + crs(64 - int(rt.size())) },
        { "PS00", "*ZORVAN*" },
        { "ECC", byte(6) },
        { "SAVE", "0" },
    };
}

struct InsideReport {
    const char *frame;
    const char *text;
    int step;
};

constexpr InsideReport kTable[] = {
    { "TP", "Sending TP to RDS encoder... 30%", 4 },
    { "TA", "Sending TA to RDS encoder... 35%", 5 },
    { "MS", "Sending MS to RDS encoder... 40%", 6 },
    { "Did0", "Sending DID0 to RDS encoder... 45%", 7 },
    { "Did1", "Sending DID1 to RDS encoder... 47%", 7 },
    { "Did2", "Sending DID2 to RDS encoder... 49%", 7 },
    { "Did3", "Sending DID3 to RDS encoder... 52%", 8 },
    { "AF0", "Sending AF0 to RDS encoder... 55%", 8 },
    { "AF1", "Sending AF1 to RDS encoder... 57%", 12 },
    { "AF2", "Sending AF2 to RDS encoder... 60%", 13 },
    { "AF3", "Sending AF3 to RDS encoder... 65%", 14 },
    { "AF4", "Sending AF4 to RDS encoder... 70%", 15 },
    { "AF5", "Sending AF5 to RDS encoder... 75%", 16 },
    { "AF6", "Sending AF6 to RDS encoder... 80%", 17 },
    { "AF7", "Sending AF7 to RDS encoder... 85%", 18 },
};

// The whole transmission, spelled byte by byte, with `changed` replacing
// the default value of the frames a row is about.
PlanScript expectedPlan(const FrameValues &changed)
{
    FrameValues values = defaultValues();
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        values[it.key()] = it.value();

    PlanScript p;
    auto open = [&](const QByteArray &name) { p.write(QByteArray(1, '\0') + name + '\x01'); };
    auto rest = [&](const QByteArray &name, int pauseMs) {
        p.write(values.value(name) + '\x02');
        p.pause(pauseMs);
    };

    p.report("Sending settings to RDS encoder... 5%", 1);
    open("PWR");
    p.report("Sending PWR to RDS encoder... 15%");
    rest("PWR", 100);

    p.report("Sending settings to RDS encoder... 10%", 1);
    open("CCAC");
    p.report("Sending CCAC to RDS encoder... 15%");
    rest("CCAC", 100);

    p.report("Sending PI to RDS encoder... 20%", 2);
    open("PREF");
    rest("PREF", 100);

    p.report("Sending PTY to RDS encoder... 25%", 3);
    open("PTY");
    rest("PTY", 100);

    for (const InsideReport &r : kTable) {
        open(r.frame);
        p.report(r.text, r.step);
        rest(r.frame, 100);
    }

    open("RT");
    p.report("Sending RT to RDS encoder... 0%");
    rest("RT", 100);

    open("PS00");
    p.report("Sending PS to RDS encoder...", 18);
    rest("PS00", 100);

    open("ECC");
    p.report("Sending ECC to RDS encoder... 90%", 19);
    rest("ECC", 200);

    open("SAVE");
    p.report("Sending store settings command... 95%", 19);
    rest("SAVE", 200);
    return p;
}

} // namespace

class TestSettingsUpload : public QObject {
    Q_OBJECT

private slots:
    void wholePlan_data()
    {
        QTest::addColumn<SettingsUploadInput>("input");
        QTest::addColumn<FrameValues>("changed");
        QTest::addColumn<int>("afNum");

        QTest::newRow("defaults") << defaultInput() << FrameValues {} << 1;

        QTest::newRow("RDS active unticked sends PWR 0")
            << with([](auto &in) { in.rdsActive = false; }) << FrameValues { { "PWR", "0" } } << 1;
        QTest::newRow("box wins over the record")
            << with([](auto &in) { in.settings.RDSActive = false; }) << FrameValues {} << 1;

        QTest::newRow("country 1 area L")
            << with([](auto &in) { in.settings.CountryCode = 1; }) << FrameValues { { "CCAC", "016" } } << 1;
        QTest::newRow("country F area R12") << with([](auto &in) {
            in.settings.CountryCode = 15;
            in.settings.AreaCoverage = 15;
        }) << FrameValues { { "CCAC", "255" } }
                                            << 1;
        QTest::newRow("reference 5 filled to three digits")
            << with([](auto &in) { in.settings.ProgramReference = 5; }) << FrameValues { { "PREF", "005" } }
            << 1;
        QTest::newRow("reference 0") << with([](auto &in) { in.settings.ProgramReference = 0; })
                                     << FrameValues { { "PREF", "000" } } << 1;
        QTest::newRow("PTY 3 filled to two digits")
            << with([](auto &in) { in.settings.PTY = 3; }) << FrameValues { { "PTY", "03" } } << 1;
        QTest::newRow("PTY 31") << with([](auto &in) { in.settings.PTY = 31; })
                                << FrameValues { { "PTY", "31" } } << 1;

        QTest::newRow("flags flipped") << with([](auto &in) {
            auto &s = in.settings;
            s.TP = 1;
            s.TA = 1;
            s.MS = 0;
            s.DId0 = 0;
            s.DId1 = 0;
            s.DId2 = 1;
            s.DId3 = 0;
        })
                                       << FrameValues { { "TP", "1" }, { "TA", "1" }, { "MS", "0" },
                                              { "Did0", "0" }, { "Did1", "0" }, { "Did3", "0" } }
                                       << 1;

        // Each flag differs from its neighbours, so a frame that carried
        // its neighbour's value (TP and TA exchanged) shows.
        QTest::newRow("flags alternate from TP on") << with([](auto &in) {
            auto &s = in.settings;
            s.TP = 1;
            s.TA = 0;
            s.MS = 1;
            s.DId0 = 0;
            s.DId1 = 1;
            s.DId2 = 0;
            s.DId3 = 1;
        }) << FrameValues { { "TP", "1" }, { "TA", "0" }, { "MS", "1" }, { "Did0", "0" }, { "Did1", "1" },
                  { "Did2", "0" }, { "Did3", "1" } }
                                                    << 1;
        QTest::newRow("flags alternate from TP off") << with([](auto &in) {
            auto &s = in.settings;
            s.TP = 0;
            s.TA = 1;
            s.MS = 0;
            s.DId0 = 1;
            s.DId1 = 0;
            s.DId2 = 1;
            s.DId3 = 0;
        }) << FrameValues { { "TP", "0" }, { "TA", "1" }, { "MS", "0" }, { "Did0", "1" }, { "Did1", "0" },
                  { "Did2", "1" }, { "Did3", "0" } }
                                                     << 1;

        QTest::newRow("all AF empty") << with([](auto &in) {
            in.settings.AF = { 0, 0, 0, 0, 0, 0, 0 };
            in.afTexts.fill("empty");
        }) << FrameValues { { "AF0", byte(228) }, { "AF1", byte(4) } }
                                      << 0;
        QTest::newRow("AF1 100 only")
            << with([](auto &) {}) << FrameValues { { "AF0", byte(229) }, { "AF1", byte(129) } } << 1;
        QTest::newRow("frequency after an empty is sent, not counted") << with([](auto &in) {
            in.settings.AF = { 125, 0, 5, 0, 0, 0, 0 };
            in.afTexts[2] = "88";
        }) << FrameValues { { "AF0", byte(229) }, { "AF3", byte(9) } } << 1;
        QTest::newRow("seven frequencies")
            << with([](auto &in) {
                   in.settings.AF = { 1, 2, 3, 125, 200, 203, 204 };
                   in.afTexts = { "87.6", "87.7", "87.8", "100", "107.5", "107.8", "107.9" };
               })
            << FrameValues { { "AF0", byte(235) }, { "AF1", byte(5) }, { "AF2", byte(6) }, { "AF3", byte(7) },
                   { "AF4", byte(129) }, { "AF5", byte(204) }, { "AF6", byte(207) }, { "AF7", byte(208) } }
            << 7;
        QTest::newRow("count follows the texts, not the codes") << with([](auto &in) {
            in.settings.AF = { 0, 0, 0, 0, 0, 0, 0 };
            in.afTexts[1] = "90";
        }) << FrameValues { { "AF0", byte(230) }, { "AF1", byte(4) } }
                                                                << 2;
        QTest::newRow("Empty in capitals is not empty")
            << with([](auto &in) { in.afTexts[1] = "Empty"; }) << FrameValues { { "AF0", byte(230) } } << 2;
        QTest::newRow("empty AF1 stops the count at once") << with([](auto &in) {
            in.afTexts = { "empty", "90", "91", "92", "93", "94", "95" };
        }) << FrameValues { { "AF0", byte(228) } } << 0;

        QTest::newRow("empty RT is 64 carriage returns")
            << with([](auto &in) { in.settings.RT.clear(); }) << FrameValues { { "RT", crs(64) } } << 1;
        QTest::newRow("RT of 63 gets one carriage return")
            << with([](auto &in) { in.settings.RT = QString(63, 'R'); })
            << FrameValues { { "RT", QByteArray(63, 'R') + crs(1) } } << 1;
        QTest::newRow("RT of 64 gets none") << with([](auto &in) { in.settings.RT = QString(64, 'R'); })
                                            << FrameValues { { "RT", QByteArray(64, 'R') } } << 1;
        QTest::newRow("RT of 70 is cut to 64")
            << with([](auto &in) { in.settings.RT = QString(64, 'R') + "STUVWX"; })
            << FrameValues { { "RT", QByteArray(64, 'R') } } << 1;
        QTest::newRow("RT keeps leading blanks") << with([](auto &in) { in.settings.RT = "  A"; })
                                                 << FrameValues { { "RT", "  A" + crs(61) } } << 1;
        QTest::newRow("accented RT as Windows-1252")
            << with([](auto &in) { in.settings.RT = QString::fromUtf8("CAFÉ €"); })
            << FrameValues { { "RT", "CAF\xC9 \x80" + crs(58) } } << 1;
        QTest::newRow("frame byte in RT becomes a blank") << with([](auto &in) {
            in.settings.RT = QString::fromLatin1("A\x01"
                                                 "B\x02"
                                                 "C",
                5);
        }) << FrameValues { { "RT", "A B C" + crs(59) } } << 1;
        QTest::newRow("character outside the BMP fills like one")
            << with([](auto &in) { in.settings.RT = QString(62, 'R') + QString::fromUtf8("😀"); })
            << FrameValues { { "RT", QByteArray(62, 'R') + "?" + crs(1) } } << 1;

        QTest::newRow("label field 0 sent as typed, not fitted")
            << with([](auto &in) { in.firstLabel = "abc"; }) << FrameValues { { "PS00", "abc" } } << 1;
        QTest::newRow("label field 0 longer than 8 cut to the board's 8")
            << with([](auto &in) { in.firstLabel = "ABCDEFGHIJ"; }) << FrameValues { { "PS00", "ABCDEFGH" } }
            << 1;
        QTest::newRow("label field, not the record")
            << with([](auto &in) { in.settings.PS[0] = "RECORD  "; }) << FrameValues {} << 1;
        QTest::newRow("empty label field")
            << with([](auto &in) { in.firstLabel.clear(); }) << FrameValues { { "PS00", "" } } << 1;
        QTest::newRow("accented label with a typed 0x01")
            << with([](auto &in) { in.firstLabel = QString::fromUtf8("ÉTÉ\x01ÖK"); })
            << FrameValues { { "PS00", "\xC9T\xC9 \xD6K" } } << 1;

        QTest::newRow("AF code that would wrap to a frame byte sends no value")
            << with([](auto &in) { in.settings.AF[1] = -4; }) << FrameValues { { "AF2", "" } } << 1;
        QTest::newRow("AF code past the last offset byte sends no value")
            << with([](auto &in) { in.settings.AF[6] = 252; }) << FrameValues { { "AF7", "" } } << 1;
        QTest::newRow("ECC that would wrap to a frame byte sends no value")
            << with([](auto &in) { in.settings.ECC = -3; }) << FrameValues { { "ECC", "" } } << 1;
        QTest::newRow("ECC E0") << with([](auto &in) { in.settings.ECC = 1; })
                                << FrameValues { { "ECC", byte(5) } } << 1;
        QTest::newRow("ECC E4") << with([](auto &in) { in.settings.ECC = 5; })
                                << FrameValues { { "ECC", byte(9) } } << 1;
    }

    void wholePlan()
    {
        QFETCH(SettingsUploadInput, input);
        QFETCH(FrameValues, changed);
        QFETCH(int, afNum);

        const SettingsUpload upload = SendSettings(input);
        const PlanScript expected = expectedPlan(changed);
        QCOMPARE(planLines(upload.plan), expected.lines());
        QCOMPARE(upload.plan.bytes(), expected.bytes());
        QCOMPARE(upload.afNum, afNum);
    }

    // The record's own values stand for what the window shows.
    void fromTheRecord_data()
    {
        QTest::addColumn<StationSettings>("record");
        QTest::addColumn<FrameValues>("changed");
        QTest::addColumn<int>("afNum");

        QTest::newRow("defaults") << StationSettings() << FrameValues {} << 1;
        StationSettings off;
        off.RDSActive = false;
        QTest::newRow("RDS switched off") << off << FrameValues { { "PWR", "0" } } << 1;
        StationSettings threeAfs;
        threeAfs.AF = { 125, 1, 204, 0, 0, 0, 0 };
        QTest::newRow("three frequencies counted from the codes")
            << threeAfs << FrameValues { { "AF0", byte(231) }, { "AF2", byte(5) }, { "AF3", byte(208) } }
            << 3;
        StationSettings label;
        label.PS[0] = QStringLiteral("RADIO 1 ");
        QTest::newRow("first label from the record") << label << FrameValues { { "PS00", "RADIO 1 " } } << 1;
    }
    void fromTheRecord()
    {
        QFETCH(StationSettings, record);
        QFETCH(FrameValues, changed);
        QFETCH(int, afNum);
        const SettingsUpload upload = SendSettings(record);
        QCOMPARE(upload.plan.bytes(), expectedPlan(changed).bytes());
        QCOMPARE(upload.afNum, afNum);
    }

    void pausesAddUpToTwoAndAHalfSeconds()
    {
        const SettingsUpload upload = SendSettings(defaultInput());
        QCOMPARE(upload.plan.totalPauseMs(), 2500);
        QCOMPARE(upload.plan.bytes().count('\x02'), 23);
    }

    void storedAfNumDoesNotLeakIntoTheCount()
    {
        SettingsUploadInput in = defaultInput();
        in.settings.AFNum = 7;
        QCOMPARE(SendSettings(in).afNum, qint16(1));
        QVERIFY(SendSettings(in).plan.bytes().contains(QByteArray("\0AF0\x01\xE5\x02", 7)));
    }
};

QTEST_APPLESS_MAIN(TestSettingsUpload)
#include "tst_settings_upload.moc"
