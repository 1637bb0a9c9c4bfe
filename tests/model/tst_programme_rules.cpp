#include "model/af_list.h"
#include "model/field_repair.h"
#include "model/flag_pairs.h"
#include "model/pi_code.h"
#include "model/pty_table.h"
#include "model/window_pages.h"

#include <QtTest>

using namespace zorvan;

Q_DECLARE_METATYPE(zorvan::AfCodes)

Q_DECLARE_METATYPE(std::optional<qint16>)

namespace {

AfCodes codes(std::initializer_list<int> values)
{
    AfCodes result {};
    std::size_t n = 0;
    for (int value : values)
        result[n++] = static_cast<qint16>(value);
    return result;
}

QStringList shown(std::initializer_list<int> values)
{
    QStringList texts;
    for (int value : values)
        texts << afEntryText(value);
    return texts;
}

} // namespace

class TestProgrammeRules : public QObject {
    Q_OBJECT

private slots:
    void selectorTexts_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<qint16>>("value");
        using V = std::optional<qint16>;
        QTest::newRow("country 1 is 1") << "country"
                                        << "1" << V(1);
        QTest::newRow("country 9 is 9") << "country"
                                        << "9" << V(9);
        QTest::newRow("country A is 10") << "country"
                                         << "A" << V(10);
        QTest::newRow("country C is 12") << "country"
                                         << "C" << V(12);
        QTest::newRow("country F is 15") << "country"
                                         << "F" << V(15);
        QTest::newRow("country lower c matches nothing") << "country"
                                                         << "c" << V();
        QTest::newRow("country 0 is no entry") << "country"
                                               << "0" << V();
        QTest::newRow("country with a blank matches nothing") << "country"
                                                              << "C " << V();
        QTest::newRow("country empty matches nothing") << "country"
                                                       << "" << V();
        QTest::newRow("area L is 0") << "area"
                                     << "L" << V(0);
        QTest::newRow("area I is 1") << "area"
                                     << "I" << V(1);
        QTest::newRow("area N is 2") << "area"
                                     << "N" << V(2);
        QTest::newRow("area S is 3") << "area"
                                     << "S" << V(3);
        QTest::newRow("area R1 is 4, not 1") << "area"
                                             << "R1" << V(4);
        QTest::newRow("area R2 is 5") << "area"
                                      << "R2" << V(5);
        QTest::newRow("area R12 is 15") << "area"
                                        << "R12" << V(15);
        QTest::newRow("area R13 matches nothing") << "area"
                                                  << "R13" << V();
        QTest::newRow("area r1 matches nothing") << "area"
                                                 << "r1" << V();
        QTest::newRow("ECC E0 is 1, not 0") << "ecc"
                                            << "E0" << V(1);
        QTest::newRow("ECC E1 is 2") << "ecc"
                                     << "E1" << V(2);
        QTest::newRow("ECC E4 is 5") << "ecc"
                                     << "E4" << V(5);
        QTest::newRow("ECC E5 matches nothing") << "ecc"
                                                << "E5" << V();
        QTest::newRow("ECC e1 matches nothing") << "ecc"
                                                << "e1" << V();
        QTest::newRow("PTY Undefined is 0") << "pty"
                                            << "Undefined" << V(0);
        QTest::newRow("PTY Pop Music is 10") << "pty"
                                             << "Pop Music" << V(10);
        QTest::newRow("PTY Children's program is 18") << "pty"
                                                      << "Children's program" << V(18);
        QTest::newRow("PTY Alarm test is 30") << "pty"
                                              << "Alarm test" << V(30);
        QTest::newRow("PTY Alarm is 31") << "pty"
                                         << "Alarm" << V(31);
        QTest::newRow("PTY pop music matches nothing") << "pty"
                                                       << "pop music" << V();
        QTest::newRow("PTY a prefix matches nothing") << "pty"
                                                      << "Pop" << V();
    }
    void selectorTexts()
    {
        QFETCH(QString, selector);
        QFETCH(QString, text);
        QFETCH(std::optional<qint16>, value);
        std::optional<qint16> actual;
        if (selector == "country")
            actual = countryCodeFromText(text);
        else if (selector == "area")
            actual = areaCoverageFromText(text);
        else if (selector == "ecc")
            actual = eccFromText(text);
        else
            actual = ptyFromText(text);
        QCOMPARE(actual, value);
    }

    void selectorEntries()
    {
        QCOMPARE(countryEntries().size(), 15);
        QCOMPARE(countryEntries().join(""), QStringLiteral("123456789ABCDEF"));
        QCOMPARE(areaCoverageEntries().size(), 16);
        QCOMPARE(areaCoverageEntries().mid(0, 5), QStringList({ "L", "I", "N", "S", "R1" }));
        QCOMPARE(areaCoverageEntries().last(), QStringLiteral("R12"));
        QCOMPARE(programReferenceEntries().size(), 256);
        QCOMPARE(programReferenceEntries().at(5), QStringLiteral("5"));
        QCOMPARE(programReferenceEntries().last(), QStringLiteral("255"));
        QCOMPARE(eccEntries(), QStringList({ "E0", "E1", "E2", "E3", "E4" }));
        QCOMPARE(ptyEntries().size(), 32);
    }

    void storedValuesToPositions_data()
    {
        QTest::addColumn<QString>("selector");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("position");
        QTest::newRow("country 12 at C") << "country" << 12 << 11;
        QTest::newRow("country 1 first") << "country" << 1 << 0;
        QTest::newRow("country 0 unshowable") << "country" << 0 << -1;
        QTest::newRow("country 16 unshowable") << "country" << 16 << -1;
        QTest::newRow("area 15 last") << "area" << 15 << 15;
        QTest::newRow("area -1 unshowable") << "area" << -1 << -1;
        QTest::newRow("area 16 unshowable") << "area" << 16 << -1;
        QTest::newRow("reference 255 last") << "reference" << 255 << 255;
        QTest::newRow("reference 256 unshowable") << "reference" << 256 << -1;
        QTest::newRow("ECC 2 at E1") << "ecc" << 2 << 1;
        QTest::newRow("ECC 0 unshowable") << "ecc" << 0 << -1;
        QTest::newRow("ECC 6 unshowable") << "ecc" << 6 << -1;
        QTest::newRow("PTY 31 last") << "pty" << 31 << 31;
        QTest::newRow("PTY 32 unshowable") << "pty" << 32 << -1;
    }
    void storedValuesToPositions()
    {
        QFETCH(QString, selector);
        QFETCH(int, stored);
        QFETCH(int, position);
        const auto value = static_cast<qint16>(stored);
        int actual = -2;
        if (selector == "country")
            actual = countryPosition(value);
        else if (selector == "area")
            actual = areaCoveragePosition(value);
        else if (selector == "reference")
            actual = programReferencePosition(value);
        else if (selector == "ecc")
            actual = eccPosition(value);
        else
            actual = ptyPosition(value);
        QCOMPARE(actual, position);
    }

    void piComposition_data()
    {
        QTest::addColumn<int>("country");
        QTest::addColumn<int>("area");
        QTest::addColumn<int>("reference");
        QTest::addColumn<int>("pi");
        QTest::newRow("defaults C080") << 12 << 0 << 128 << 0xC080;
        QTest::newRow("all highest FFFF") << 15 << 15 << 255 << 0xFFFF;
        QTest::newRow("country 1, L, 5 is 1005") << 1 << 0 << 5 << 0x1005;
        QTest::newRow("regional R1 is area 4") << 2 << 4 << 0 << 0x2400;
    }
    void piComposition()
    {
        QFETCH(int, country);
        QFETCH(int, area);
        QFETCH(int, reference);
        QFETCH(int, pi);
        QCOMPARE(int(piCode(qint16(country), qint16(area), qint16(reference))), pi);
    }

    void ptyNamesInCodeOrder()
    {
        const QStringList expected { "Undefined", "News", "Affairs", "Info", "Sport", "Educate", "Drama",
            "Culture", "Science", "Varied", "Pop Music", "Rock Music", "Easy Music", "Light Music",
            "Classics", "Other Music", "Weather", "Finance", "Children's program", "Social Affairs",
            "Religion", "Phone In", "Travel", "Leisure", "Jazz Music", "Country Music", "National Music",
            "Oldies Music", "Folk Music", "Documentary", "Alarm test", "Alarm" };
        QCOMPARE(ptyEntries(), expected);
    }

    void flagPairsMeanOne_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("oneCaption");
        QTest::addColumn<QString>("zeroCaption");
        QTest::newRow("TP: 1 means 1") << "TP"
                                       << "1"
                                       << "0";
        QTest::newRow("TA: 1 means 1") << "TA"
                                       << "1"
                                       << "0";
        QTest::newRow("music: 1 is music") << "Music/Speech"
                                           << "1"
                                           << "0";
        QTest::newRow("stereo is 1") << "Mono/stereo"
                                     << "S"
                                     << "M";
        QTest::newRow("artificial head Y is 1") << "Artificial head"
                                                << "Y"
                                                << "N";
        QTest::newRow("compression Y is 1") << "Compression"
                                            << "Y"
                                            << "N";
        QTest::newRow("dynamic PTY Y is 1") << "Dynamic PTY"
                                            << "Y"
                                            << "N";
    }
    void flagPairsMeanOne()
    {
        QFETCH(QString, frame);
        QFETCH(QString, oneCaption);
        QFETCH(QString, zeroCaption);
        const auto pair = std::find_if(kFlagPairs.begin(), kFlagPairs.end(),
            [&](const FlagPair &p) { return frame == QLatin1String(p.frameCaption); });
        QVERIFY(pair != kFlagPairs.end());
        QCOMPARE(QString::fromLatin1(pair->oneCaption), oneCaption);
        QCOMPARE(QString::fromLatin1(pair->zeroCaption), zeroCaption);
    }

    void afTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("0 is empty") << 0 << "empty";
        QTest::newRow("87.6 is code 1") << 1 << "87.6";
        QTest::newRow("87.9") << 4 << "87.9";
        QTest::newRow("88 has no decimal") << 5 << "88";
        QTest::newRow("88.1") << 6 << "88.1";
        QTest::newRow("100 is code 125") << 125 << "100";
        QTest::newRow("107.9 is code 204") << 204 << "107.9";
    }
    void afTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(afEntryText(code), text);
        QCOMPARE(afCodeFromText(text), std::optional<qint16>(qint16(code)));
        QCOMPARE(afEntries().at(code), text);
    }

    void afTextsOutsideTheList()
    {
        QCOMPARE(afEntries().size(), kAfEntryCount);
        QCOMPARE(afEntryText(205), QString());
        QCOMPARE(afEntryText(-1), QString());
        QCOMPARE(afCodeFromText("88.0"), std::optional<qint16>());
        QCOMPARE(afCodeFromText("108"), std::optional<qint16>());
        QCOMPARE(afCodeFromText("Empty"), std::optional<qint16>());
    }

    void afChain_data()
    {
        QTest::addColumn<AfCodes>("before");
        QTest::addColumn<int>("changed");
        QTest::addColumn<AfCodes>("after");
        QTest::newRow("clearing AF3 clears AF4..AF7, keeps AF1, AF2")
            << codes({ 1, 2, 0, 4, 5, 6, 7 }) << 2 << codes({ 1, 2, 0, 0, 0, 0, 0 });
        QTest::newRow("clearing AF1 clears everything")
            << codes({ 0, 2, 3, 4, 5, 6, 7 }) << 0 << codes({ 0, 0, 0, 0, 0, 0, 0 });
        QTest::newRow("a frequency changes nothing else")
            << codes({ 125, 126, 0, 0, 0, 0, 0 }) << 1 << codes({ 125, 126, 0, 0, 0, 0, 0 });
        QTest::newRow("clearing AF7 has no successor")
            << codes({ 1, 2, 3, 4, 5, 6, 0 }) << 6 << codes({ 1, 2, 3, 4, 5, 6, 0 });
        QTest::newRow("an index off the list changes nothing")
            << codes({ 0, 2, 0, 0, 0, 0, 0 }) << 7 << codes({ 0, 2, 0, 0, 0, 0, 0 });
    }
    void afChain()
    {
        QFETCH(AfCodes, before);
        QFETCH(int, changed);
        QFETCH(AfCodes, after);
        QCOMPARE(afterAfChange(before, changed), after);
    }

    void afGapsCloseAtStartUp_data()
    {
        QTest::addColumn<AfCodes>("stored");
        QTest::addColumn<AfCodes>("shown");
        QTest::newRow("gap at AF2 empties AF3..AF7")
            << codes({ 125, 0, 5, 6, 0, 0, 0 }) << codes({ 125, 0, 0, 0, 0, 0, 0 });
        QTest::newRow("empty AF1 empties all")
            << codes({ 0, 3, 0, 0, 0, 0, 9 }) << codes({ 0, 0, 0, 0, 0, 0, 0 });
        QTest::newRow("defaults stay")
            << codes({ 125, 0, 0, 0, 0, 0, 0 }) << codes({ 125, 0, 0, 0, 0, 0, 0 });
        QTest::newRow("full list stays")
            << codes({ 1, 2, 3, 4, 5, 6, 204 }) << codes({ 1, 2, 3, 4, 5, 6, 204 });
    }
    void afGapsCloseAtStartUp()
    {
        QFETCH(AfCodes, stored);
        QFETCH(AfCodes, shown);
        QCOMPARE(closeAfGaps(stored), shown);
    }

    void afListsEnabled_data()
    {
        QTest::addColumn<AfCodes>("list");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("defaults: AF1 and AF2 open") << codes({ 125, 0, 0, 0, 0, 0, 0 }) << "1100000";
        QTest::newRow("none: only AF1 open") << codes({ 0, 0, 0, 0, 0, 0, 0 }) << "1000000";
        QTest::newRow("six: all open") << codes({ 1, 2, 3, 4, 5, 6, 0 }) << "1111111";
    }
    void afListsEnabled()
    {
        QFETCH(AfCodes, list);
        QFETCH(QString, enabled);
        QString actual;
        for (bool open : zorvan::afListsEnabled(list))
            actual += open ? '1' : '0';
        QCOMPARE(actual, enabled);
    }

    void afCount_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("afNum");
        QTest::newRow("none") << shown({ 0, 0, 0, 0, 0, 0, 0 }) << 0;
        QTest::newRow("one, count code 225") << shown({ 125, 0, 0, 0, 0, 0, 0 }) << 1;
        QTest::newRow("all seven, count code 231") << shown({ 1, 2, 3, 4, 5, 6, 7 }) << 7;
        QTest::newRow("counting stops at the first empty") << shown({ 1, 0, 3, 4, 5, 6, 7 }) << 1;
        QTest::newRow("empty AF1 counts nothing") << shown({ 0, 2, 3, 4, 5, 6, 7 }) << 0;
        QTest::newRow("more than seven texts still counts seven")
            << shown({ 1, 2, 3, 4, 5, 6, 7 }) + QStringList { "88" } << 7;
    }
    void afCount()
    {
        QFETCH(QStringList, texts);
        QFETCH(int, afNum);
        QCOMPARE(int(countAfList(texts)), afNum);
        QCOMPARE(afCountCode(countAfList(texts)), 224 + afNum);
    }

    void repairOutOfRange_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("bad");
        QTest::addColumn<int>("repaired");
        QTest::newRow("country 0") << "CountryCode" << 0 << 12;
        QTest::newRow("country 16") << "CountryCode" << 16 << 12;
        QTest::newRow("area -1") << "AreaCoverage" << -1 << 0;
        QTest::newRow("area 16") << "AreaCoverage" << 16 << 0;
        QTest::newRow("reference 256") << "ProgramReference" << 256 << 128;
        QTest::newRow("reference -5") << "ProgramReference" << -5 << 128;
        QTest::newRow("ECC 0") << "ECC" << 0 << 2;
        QTest::newRow("ECC 6") << "ECC" << 6 << 2;
        QTest::newRow("PTY 32") << "PTY" << 32 << 10;
        QTest::newRow("PTY -1") << "PTY" << -1 << 10;
        QTest::newRow("AF1 205") << "AF1" << 205 << 125;
        QTest::newRow("AF3 -1") << "AF3" << -1 << 0;
        QTest::newRow("delay of label 0 at 10") << "PSDelay" << 10 << 2;
        QTest::newRow("delay of label 50 at -1") << "PSDelay50" << -1 << 0;
        QTest::newRow("Delay: at 12") << "AutoPSDelay" << 12 << 1;
        QTest::newRow("Set all to: at 10") << "SETTOSAMEDELAY" << 10 << 0;
        // A flag shown as "1" goes on air as 1, whatever non-zero number
        // the file holds (-1 is the "true" of older files).
        QTest::newRow("TP 5 is on") << "TP" << 5 << 1;
        QTest::newRow("TA -1 is on") << "TA" << -1 << 1;
        QTest::newRow("MS 10 is music") << "MS" << 10 << 1;
        QTest::newRow("DId1 2 is on") << "DId1" << 2 << 1;
        QTest::newRow("DId2 -32768 is on") << "DId2" << -32768 << 1;
        QTest::newRow("DId3 32767 is on") << "DId3" << 32767 << 1;
    }
    void repairOutOfRange()
    {
        QFETCH(QString, key);
        QFETCH(int, bad);
        QFETCH(int, repaired);
        StationSettings settings;
        auto field = [&]() -> qint16 & {
            if (key == "CountryCode")
                return settings.CountryCode;
            if (key == "AreaCoverage")
                return settings.AreaCoverage;
            if (key == "ProgramReference")
                return settings.ProgramReference;
            if (key == "ECC")
                return settings.ECC;
            if (key == "PTY")
                return settings.PTY;
            if (key == "AF1")
                return settings.AF[0];
            if (key == "AF3")
                return settings.AF[2];
            if (key == "PSDelay")
                return settings.PSDelay[0];
            if (key == "PSDelay50")
                return settings.PSDelay[50];
            if (key == "AutoPSDelay")
                return settings.AutoPSDelay;
            if (key == "TP")
                return settings.TP;
            if (key == "TA")
                return settings.TA;
            if (key == "MS")
                return settings.MS;
            if (key == "DId0")
                return settings.DId0;
            if (key == "DId1")
                return settings.DId1;
            if (key == "DId2")
                return settings.DId2;
            if (key == "DId3")
                return settings.DId3;
            return settings.SETTOSAMEDELAY;
        };
        field() = static_cast<qint16>(bad);
        QCOMPARE(repairUnshowableFields(settings), QStringList { key });
        QCOMPARE(int(field()), repaired);
    }

    void repairLeavesShowableValues()
    {
        StationSettings settings;
        settings.CountryCode = 15;
        settings.AreaCoverage = 15;
        settings.ProgramReference = 0;
        settings.ECC = 1;
        settings.PTY = 31;
        settings.AF = codes({ 204, 1, 0, 0, 0, 0, 0 });
        settings.PSDelay.fill(9);
        settings.PSDelay100 = 300; // belongs to no list
        settings.MODE = 9; // the mode panel always starts on mode 0
        settings.TP = 1;
        settings.TA = 1;
        settings.MS = 0;
        settings.DId0 = 0;
        settings.DId3 = 0;
        const StationSettings before = settings;
        QVERIFY(repairUnshowableFields(settings).isEmpty());
        QVERIFY(settings == before);
    }

    void tabCaptionsChoosePages_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("page");
        QTest::newRow("PI page") << "PI, PT&Y..." << 0;
        QTest::newRow("PS0") << "PS&0" << 1;
        QTest::newRow("PS1") << "PS&1" << 2;
        QTest::newRow("PS2 is Frame37") << "PS&2" << 3;
        QTest::newRow("clock and messages") << "&TIME, MSG..." << 4;
        QTest::newRow("automatic update") << "AUTO &PS, RT" << 5;
        QTest::newRow("about") << "A&bout" << 6;
        QTest::newRow("transmitter tab is not on the strip") << "&TX" << -1;
        QTest::newRow("caption without mnemonic") << "PS0" << -1;
        QTest::newRow("case counts") << "ps&0" << -1;
        QTest::newRow("empty") << "" << -1;
    }
    void tabCaptionsChoosePages()
    {
        QFETCH(QString, caption);
        QFETCH(int, page);
        QCOMPARE(pageForTabCaption(caption).value_or(-1), page);
        if (page == 3)
            QCOMPARE(QString::fromLatin1(kTabPages[3].panelName), QStringLiteral("Frame37"));
    }

    void windowSizeInPixels()
    {
        QCOMPARE(twipsToPixels(kFormWidthTwips), 591);
        QCOMPARE(twipsToPixels(kFormHeightTwips), 421);
        QCOMPARE(twipsToPixels(450), 30);
    }

    void modeFromPanel_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("mode");
        QTest::newRow("mode 0") << "100000" << 0;
        QTest::newRow("mode 5") << "000001" << 5;
        QTest::newRow("first selected wins") << "001100" << 2;
        QTest::newRow("none selected keeps the mode") << "000000" << -1;
    }
    void modeFromPanel()
    {
        QFETCH(QString, selected);
        QFETCH(int, mode);
        std::array<bool, kModeCount> options {};
        for (int i = 0; i < kModeCount; ++i)
            options[static_cast<std::size_t>(i)] = selected.at(i) == '1';
        QCOMPARE(int(modeFromOptions(options).value_or(-1)), mode);
    }
};

QTEST_APPLESS_MAIN(TestProgrammeRules)
#include "tst_programme_rules.moc"
