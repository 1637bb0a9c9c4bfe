#include "link/board_state.h"
#include "link/frame_decoder.h"

#include <QtTest>

using namespace zorvan;

namespace {

QByteArray frame(const QByteArray &name, const QByteArray &value)
{
    return QByteArray(1, '\x00') + name + '\x01' + value + '\x02';
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// Decodes a stream and applies every frame; returns the details of frames
// the board did not take.
QStringList play(BoardState &board, const QByteArray &stream, qint64 atMs = 0)
{
    FrameDecoder decoder;
    QStringList refused;
    auto events = decoder.feed(stream, atMs);
    for (auto &e : decoder.finish())
        events.push_back(std::move(e));
    for (const auto &e : events) {
        const auto *f = std::get_if<DecodedFrame>(&e);
        if (!f) {
            refused << QStringLiteral("stray");
            continue;
        }
        const ApplyResult result = board.apply(*f);
        if (result.outcome != ApplyOutcome::Applied)
            refused << QString::fromLatin1(f->name) + ": " + result.detail;
    }
    return refused;
}

// The bytes of a settings upload for the default station: PI C080, PTY 10,
// MS and the DI bits set, one alternative frequency of 100 MHz, ECC E1.
QByteArray defaultSettingsUpload()
{
    return frame("PWR", "1") + frame("CCAC", "192") + frame("PREF", "128") + frame("PTY", "10")
        + frame("TP", "0") + frame("TA", "0") + frame("MS", "1") + frame("Did0", "1") + frame("Did1", "1")
        + frame("Did2", "1") + frame("Did3", "1") + frame("AF0", bytes({ 229 }))
        + frame("AF1", bytes({ 129 })) + frame("AF2", bytes({ 4 })) + frame("AF3", bytes({ 4 }))
        + frame("AF4", bytes({ 4 })) + frame("AF5", bytes({ 4 })) + frame("AF6", bytes({ 4 }))
        + frame("AF7", bytes({ 4 })) + frame("RT", "RADIO ZORVAN" + QByteArray(52, '\r'))
        + frame("PS00", "RADIO 1 ") + frame("ECC", bytes({ 6 })) + frame("SAVE", "0");
}

QString probe(const BoardState &board, const QString &what)
{
    const BoardParameters &p = board.working();
    if (what == "rds")
        return p.rdsOn ? "on" : "off";
    if (what == "pi")
        return QStringLiteral("%1/%2").arg(p.piHigh).arg(p.piLow);
    if (what == "pty")
        return QString::number(p.pty);
    if (what == "flags")
        return QStringLiteral("%1%2%3 %4%5%6%7")
            .arg(p.tp)
            .arg(p.ta)
            .arg(p.ms)
            .arg(p.di[0])
            .arg(p.di[1])
            .arg(p.di[2])
            .arg(p.di[3]);
    if (what == "af") {
        QStringList codes;
        for (int c : p.afCodes)
            codes << QString::number(c);
        return QString::number(p.afCount) + ":" + codes.join(',');
    }
    if (what == "ecc")
        return QString::number(p.eccSelector);
    if (what == "rt")
        return p.rt;
    if (what == "mg7")
        return p.messages[7];
    if (what == "ps42")
        return p.ps[42];
    if (what == "pd42")
        return QString::number(p.psDelay[42]);
    if (what == "mode")
        return QString::number(p.mode);
    if (what == "clock") {
        const auto clock = board.clockAt(0);
        return clock ? clock->toString("yyyy-MM-dd HH:mm:ss") : QStringLiteral("unset");
    }
    return QStringLiteral("no probe ") + what;
}

} // namespace

class TestBoardState : public QObject {
    Q_OBJECT

private slots:
    void defaultSettingsUploadShowsOnTheReceiver()
    {
        BoardState board;
        QCOMPARE(play(board, defaultSettingsUpload(), 500), QStringList());

        const ReceiverView view = board.receiverView(500);
        QVERIFY(view.rdsOn);
        QCOMPARE(view.pi, QStringLiteral("C080"));
        QCOMPARE(view.pty, 10);
        QCOMPARE(view.ptyName, QStringLiteral("Pop Music"));
        QCOMPARE(view.afMhz, QStringList { "100.0" });
        QCOMPARE(view.ecc, QStringLiteral("E1"));
        QCOMPARE(view.rt, QStringLiteral("RADIO ZORVAN"));
        QCOMPARE(view.ps, QStringLiteral("RADIO 1 "));
        QCOMPARE(view.labelIndex, 0);
        QVERIFY(!view.tp && !view.ta && view.ms);
        QCOMPARE(view.di, (std::array<bool, 4> { true, true, true, true }));
        QVERIFY(view.stored);
        QCOMPARE(board.saveCount(), 1);
        QCOMPARE(board.stored(), board.working());
    }

    void appliesOneFrame_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("expected");

        const int ok = int(ApplyOutcome::Applied);
        const int bad = int(ApplyOutcome::BadValue);
        const int unknown = int(ApplyOutcome::UnknownCommand);

        QTest::newRow("RDS on") << QByteArray("PWR") << QByteArray("1") << ok << "rds"
                                << "on";
        QTest::newRow("RDS 2 refused") << QByteArray("PWR") << QByteArray("2") << bad << "rds"
                                       << "off";
        QTest::newRow("RDS empty refused") << QByteArray("PWR") << QByteArray() << bad << "rds"
                                           << "off";
        QTest::newRow("RDS 01 refused") << QByteArray("PWR") << QByteArray("01") << bad << "rds"
                                        << "off";
        QTest::newRow("PI high 016") << QByteArray("CCAC") << QByteArray("016") << ok << "pi"
                                     << "16/0";
        QTest::newRow("PI high 255") << QByteArray("CCAC") << QByteArray("255") << ok << "pi"
                                     << "255/0";
        QTest::newRow("PI high 256 refused") << QByteArray("CCAC") << QByteArray("256") << bad << "pi"
                                             << "0/0";
        QTest::newRow("PI high with blank refused") << QByteArray("CCAC") << QByteArray(" 16") << bad << "pi"
                                                    << "0/0";
        QTest::newRow("PI high signed refused") << QByteArray("CCAC") << QByteArray("-1") << bad << "pi"
                                                << "0/0";
        QTest::newRow("PI low 005") << QByteArray("PREF") << QByteArray("005") << ok << "pi"
                                    << "0/5";
        QTest::newRow("PTY 03") << QByteArray("PTY") << QByteArray("03") << ok << "pty"
                                << "3";
        QTest::newRow("PTY 31") << QByteArray("PTY") << QByteArray("31") << ok << "pty"
                                << "31";
        QTest::newRow("PTY 32 refused") << QByteArray("PTY") << QByteArray("32") << bad << "pty"
                                        << "0";
        QTest::newRow("TP on") << QByteArray("TP") << QByteArray("1") << ok << "flags"
                               << "100 0000";
        QTest::newRow("MS on") << QByteArray("MS") << QByteArray("1") << ok << "flags"
                               << "001 0000";
        QTest::newRow("DI bit 3") << QByteArray("Did3") << QByteArray("1") << ok << "flags"
                                  << "000 0001";
        QTest::newRow("DI name in capitals unknown")
            << QByteArray("DID0") << QByteArray("1") << unknown << "flags"
            << "000 0000";
        QTest::newRow("DI bit 4 unknown") << QByteArray("Did4") << QByteArray("1") << unknown << "flags"
                                          << "000 0000";
        QTest::newRow("AF count 0") << QByteArray("AF0") << bytes({ 228 }) << ok << "af"
                                    << "0:0,0,0,0,0,0,0";
        QTest::newRow("AF count 7") << QByteArray("AF0") << bytes({ 235 }) << ok << "af"
                                    << "7:0,0,0,0,0,0,0";
        QTest::newRow("AF count 8 refused") << QByteArray("AF0") << bytes({ 236 }) << bad << "af"
                                            << "0:0,0,0,0,0,0,0";
        QTest::newRow("AF count without offset refused") << QByteArray("AF0") << bytes({ 225 }) << bad << "af"
                                                         << "0:0,0,0,0,0,0,0";
        QTest::newRow("AF count as digits refused") << QByteArray("AF0") << QByteArray("1") << bad << "af"
                                                    << "0:0,0,0,0,0,0,0";
        QTest::newRow("AF1 87.6") << QByteArray("AF1") << bytes({ 5 }) << ok << "af"
                                  << "0:1,0,0,0,0,0,0";
        QTest::newRow("AF7 107.9") << QByteArray("AF7") << bytes({ 208 }) << ok << "af"
                                   << "0:0,0,0,0,0,0,204";
        QTest::newRow("AF code 205 refused") << QByteArray("AF2") << bytes({ 209 }) << bad << "af"
                                             << "0:0,0,0,0,0,0,0";
        QTest::newRow("AF code below offset refused") << QByteArray("AF2") << bytes({ 3 }) << bad << "af"
                                                      << "0:0,0,0,0,0,0,0";
        QTest::newRow("AF two bytes refused") << QByteArray("AF2") << bytes({ 5, 5 }) << bad << "af"
                                              << "0:0,0,0,0,0,0,0";
        QTest::newRow("AF8 unknown") << QByteArray("AF8") << bytes({ 5 }) << unknown << "af"
                                     << "0:0,0,0,0,0,0,0";
        QTest::newRow("ECC E0") << QByteArray("ECC") << bytes({ 5 }) << ok << "ecc"
                                << "1";
        QTest::newRow("ECC E4") << QByteArray("ECC") << bytes({ 9 }) << ok << "ecc"
                                << "5";
        QTest::newRow("ECC selector 0 refused") << QByteArray("ECC") << bytes({ 4 }) << bad << "ecc"
                                                << "0";
        QTest::newRow("ECC selector 6 refused") << QByteArray("ECC") << bytes({ 10 }) << bad << "ecc"
                                                << "0";
        QTest::newRow("RT loses trailing returns")
            << QByteArray("RT") << QByteArray("ARTIST, TITLE\r\r\r") << ok << "rt"
            << "ARTIST, TITLE";
        QTest::newRow("RT keeps inner return") << QByteArray("RT") << QByteArray("A\rB\r") << ok << "rt"
                                               << "A\rB";
        QTest::newRow("RT of only returns is empty") << QByteArray("RT") << QByteArray(64, '\r') << ok << "rt"
                                                     << "";
        QTest::newRow("RT of 64 characters")
            << QByteArray("RT") << QByteArray(64, 'R') << ok << "rt" << QString(64, 'R');
        QTest::newRow("RT of 65 bytes refused") << QByteArray("RT") << QByteArray(65, 'R') << bad << "rt"
                                                << "";
        QTest::newRow("RT in Windows-1252")
            << QByteArray("RT") << QByteArray("\xC9T\xC9 \x80\r") << ok << "rt" << QString::fromUtf8("ÉTÉ €");
        QTest::newRow("message 7") << QByteArray("MG7") << QByteArray("CALL US\r") << ok << "mg7"
                                   << "CALL US";
        QTest::newRow("message 8 unknown") << QByteArray("MG8") << QByteArray("X\r") << unknown << "mg7"
                                           << "";
        QTest::newRow("label 42") << QByteArray("PS42") << QByteArray("NEWS AT ") << ok << "ps42"
                                  << "NEWS AT ";
        QTest::newRow("short label kept short") << QByteArray("PS42") << QByteArray("NEWS") << ok << "ps42"
                                                << "NEWS";
        QTest::newRow("label of 9 refused") << QByteArray("PS42") << QByteArray("123456789") << bad << "ps42"
                                            << "        ";
        QTest::newRow("label number of one digit unknown")
            << QByteArray("PS4") << QByteArray("X") << unknown << "ps42"
            << "        ";
        QTest::newRow("label in small letters unknown")
            << QByteArray("ps42") << QByteArray("X") << unknown << "ps42"
            << "        ";
        QTest::newRow("delay 42") << QByteArray("PD42") << QByteArray("9") << ok << "pd42"
                                  << "9";
        QTest::newRow("delay beyond the list still held")
            << QByteArray("PD42") << QByteArray("11") << ok << "pd42"
            << "11";
        QTest::newRow("delay with blank refused") << QByteArray("PD42") << QByteArray(" 2") << bad << "pd42"
                                                  << "0";
        QTest::newRow("delay empty refused") << QByteArray("PD42") << QByteArray() << bad << "pd42"
                                             << "0";
        QTest::newRow("mode 5") << QByteArray("MODE") << QByteArray("5") << ok << "mode"
                                << "5";
        QTest::newRow("mode 6 refused") << QByteArray("MODE") << QByteArray("6") << bad << "mode"
                                        << "0";
        QTest::newRow("time 23:59:59") << QByteArray("TIME") << bytes({ 27, 63, 63 }) << ok << "clock"
                                       << "2004-01-01 23:59:59";
        QTest::newRow("hour 24 refused") << QByteArray("TIME") << bytes({ 28, 4, 4 }) << bad << "clock"
                                         << "unset";
        QTest::newRow("time byte below offset refused")
            << QByteArray("TIME") << bytes({ 3, 4, 4 }) << bad << "clock"
            << "unset";
        QTest::newRow("time of two bytes refused") << QByteArray("TIME") << bytes({ 4, 4 }) << bad << "clock"
                                                   << "unset";
        QTest::newRow("date 31 December 2026") << QByteArray("DATE") << bytes({ 26, 16, 35 }) << ok << "clock"
                                               << "2026-12-31 00:00:00";
        QTest::newRow("date 29 February 2028") << QByteArray("DATE") << bytes({ 28, 6, 33 }) << ok << "clock"
                                               << "2028-02-29 00:00:00";
        QTest::newRow("date 29 February 2026 refused")
            << QByteArray("DATE") << bytes({ 26, 6, 33 }) << bad << "clock"
            << "unset";
        QTest::newRow("month 13 refused") << QByteArray("DATE") << bytes({ 26, 17, 5 }) << bad << "clock"
                                          << "unset";
        QTest::newRow("year 2255 at the top of the byte")
            << QByteArray("DATE") << bytes({ 255, 5, 5 }) << ok << "clock"
            << "2255-01-01 00:00:00";
        QTest::newRow("unknown command") << QByteArray("XYZ") << QByteArray("1") << unknown << "rds"
                                         << "off";
    }
    void appliesOneFrame()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, value);
        QFETCH(int, outcome);
        QFETCH(QString, probe);
        QFETCH(QString, expected);

        BoardState board;
        const BoardParameters before = board.working();
        const ApplyResult result = board.apply(name, value, 0);
        QCOMPARE(int(result.outcome), outcome);
        QVERIFY(!result.detail.isEmpty());
        QCOMPARE(::probe(board, probe), expected);
        if (result.outcome != ApplyOutcome::Applied)
            QCOMPARE(board.working(), before);
    }

    void clockFromTimeAndDate_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<qint64>("readAtMs");
        QTest::addColumn<QString>("clock");

        const QByteArray newYear = frame("TIME", bytes({ 4, 4, 4 })) + frame("DATE", bytes({ 26, 5, 5 }));
        QTest::newRow("midnight on 1 January 2026") << newYear << qint64(0) << "2026-01-01 00:00:00";
        QTest::newRow("runs on by itself") << newYear << qint64(61'500) << "2026-01-01 00:01:01";
        QTest::newRow("date first, time second")
            << frame("DATE", bytes({ 26, 5, 5 })) + frame("TIME", bytes({ 4, 4, 4 })) << qint64(0)
            << "2026-01-01 00:00:00";
        QTest::newRow("last second of 2026")
            << frame("TIME", bytes({ 27, 63, 63 })) + frame("DATE", bytes({ 26, 16, 35 })) << qint64(0)
            << "2026-12-31 23:59:59";
        QTest::newRow("into the new year")
            << frame("TIME", bytes({ 27, 63, 63 })) + frame("DATE", bytes({ 26, 16, 35 })) << qint64(1000)
            << "2027-01-01 00:00:00";
    }
    void clockFromTimeAndDate()
    {
        QFETCH(QByteArray, stream);
        QFETCH(qint64, readAtMs);
        QFETCH(QString, clock);
        BoardState board;
        QCOMPARE(play(board, stream, 0), QStringList());
        QCOMPARE(board.clockAt(readAtMs)->toString("yyyy-MM-dd HH:mm:ss"), clock);
    }

    void saveStoresTheWorkingMemory()
    {
        BoardState board;
        QVERIFY(!board.changedSinceSave());

        play(board, frame("PS00", "SONG    ") + frame("PD00", "3"));
        QVERIFY(board.changedSinceSave());
        QVERIFY(!board.receiverView(0).stored);

        QCOMPARE(play(board, frame("SAVE", "1")), QStringList { "SAVE: SAVE takes 0; nothing stored" });
        QVERIFY(board.changedSinceSave());
        QCOMPARE(board.saveCount(), 0);

        play(board, frame("SAVE", "0"));
        QVERIFY(!board.changedSinceSave());
        QCOMPARE(board.stored().ps[0], QStringLiteral("SONG    "));
        QCOMPARE(board.stored().psDelay[0], 3);

        // The same value again is no change; the clock is not part of what SAVE keeps.
        play(board, frame("PS00", "SONG    ") + frame("TIME", bytes({ 16, 34, 4 })));
        QVERIFY(!board.changedSinceSave());

        play(board, frame("PS00", "OTHER   "));
        QVERIFY(board.changedSinceSave());
        QCOMPARE(board.stored().ps[0], QStringLiteral("SONG    "));
        play(board, frame("PS00", "SONG    "));
        QVERIFY(!board.changedSinceSave());
    }

    void labelsTakeTurnsByTheirDelays_data()
    {
        QTest::addColumn<QList<int>>("delays"); // delays of labels 0, 1, 2 ...; the rest 0
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QList<int>>("onAir");

        QTest::newRow("each label for its delay")
            << QList<int> { 2, 1, 3 } << QList<qint64> { 0, 1999, 2000, 2999, 3000, 5999, 6000 }
            << QList<int> { 0, 0, 1, 1, 2, 2, 0 };
        QTest::newRow("delay 0 skipped")
            << QList<int> { 1, 0, 0, 1 } << QList<qint64> { 0, 1000, 2000 } << QList<int> { 0, 3, 0 };
        QTest::newRow("label 0 off, starts at the first on")
            << QList<int> { 0, 0, 2 } << QList<qint64> { 0, 1999, 2000 } << QList<int> { 2, 2, 2 };
        QTest::newRow("all off keeps label 0")
            << QList<int> {} << QList<qint64> { 0, 5000, 100000 } << QList<int> { 0, 0, 0 };
        QList<int> lastOnly(100, 0);
        lastOnly[99] = 1;
        QTest::newRow("only label 99") << lastOnly << QList<qint64> { 0, 777 } << QList<int> { 99, 99 };
        QTest::newRow("wraps after the last label with a delay")
            << QList<int> { 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1 }
            << QList<qint64> { 19'000, 20'000, 21'500 } << QList<int> { 19, 0, 1 };
    }
    void labelsTakeTurnsByTheirDelays()
    {
        QFETCH(QList<int>, delays);
        QFETCH(QList<qint64>, times);
        QFETCH(QList<int>, onAir);

        BoardState board;
        QByteArray stream = frame("PWR", "1");
        for (int i = 0; i < delays.size(); ++i) {
            const QByteArray number = QByteArray::number(i).rightJustified(2, '0');
            stream += frame("PS" + number, "LABEL " + number)
                + frame("PD" + number, QByteArray::number(delays[i]));
        }
        QCOMPARE(play(board, stream, 0), QStringList());
        for (int i = 0; i < times.size(); ++i) {
            QCOMPARE(board.onAirLabel(times[i]), onAir[i]);
            const ReceiverView view = board.receiverView(times[i]);
            QCOMPARE(view.labelIndex, onAir[i]);
            QCOMPARE(view.ps, board.working().ps[onAir[i]].leftJustified(8));
        }
    }

    void aChangedListStartsAgainAtTheFirstLabel()
    {
        BoardState board;
        play(board, frame("PD00", "1") + frame("PD01", "1"), 0);
        QCOMPARE(board.onAirLabel(1500), 1);
        play(board, frame("PS00", "NEW     "), 1500);
        QCOMPARE(board.onAirLabel(1500), 0);
        QCOMPARE(board.onAirLabel(2600), 1);
        // Sending the same list again does not disturb the turn.
        play(board, frame("PS00", "NEW     ") + frame("PD00", "1"), 2600);
        QCOMPARE(board.onAirLabel(2600), 1);
    }

    void receiverShowsNothingWhileRdsIsOff()
    {
        BoardState board;
        play(board, defaultSettingsUpload());
        play(board, frame("PWR", "0"));
        const ReceiverView view = board.receiverView(0);
        QVERIFY(!view.rdsOn);
        QCOMPARE(view.labelIndex, -1);
        QCOMPARE(view.ps, QString(8, ' '));
        QVERIFY(view.pi.isEmpty());
        QVERIFY(view.rt.isEmpty());
        QVERIFY(view.afMhz.isEmpty());
        QVERIFY(!view.stored);
    }

    void afListFollowsTheCount_data()
    {
        QTest::addColumn<int>("countByte");
        QTest::addColumn<QStringList>("mhz");
        QTest::newRow("none announced") << 228 << QStringList {};
        QTest::newRow("two of three announced") << 230 << QStringList { "87.6", "107.9" };
        QTest::newRow("all seven announced, empty slots left out")
            << 235 << QStringList { "87.6", "107.9", "100.0" };
    }
    void afListFollowsTheCount()
    {
        QFETCH(int, countByte);
        QFETCH(QStringList, mhz);
        BoardState board;
        play(board,
            frame("PWR", "1") + frame("AF0", bytes({ countByte })) + frame("AF1", bytes({ 5 }))
                + frame("AF2", bytes({ 208 })) + frame("AF3", bytes({ 129 })));
        QCOMPARE(board.receiverView(0).afMhz, mhz);
    }

    void namesOfTheTables()
    {
        QCOMPARE(afFrequencyText(1), QStringLiteral("87.6"));
        QCOMPARE(afFrequencyText(125), QStringLiteral("100.0"));
        QCOMPARE(afFrequencyText(204), QStringLiteral("107.9"));
        QVERIFY(afFrequencyText(0).isEmpty());
        QVERIFY(afFrequencyText(205).isEmpty());
        QCOMPARE(ptyName(0), QStringLiteral("None"));
        QCOMPARE(ptyName(31), QStringLiteral("Alarm"));
        QVERIFY(ptyName(32).isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestBoardState)
#include "tst_board_state.moc"
