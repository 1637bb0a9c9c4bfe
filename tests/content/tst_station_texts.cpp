#include "content/station_texts.h"
#include "memory_settings_backend.h"

#include <QtTest>

using namespace zorvan;

namespace {

const QDateTime kStart(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);

} // namespace

class TestStationTexts : public QObject {
    Q_OBJECT

private slots:
    void storedUnderTheRecordsKeys()
    {
        MemorySettingsBackend store;
        StationSettings record;
        QCOMPARE(loadStationTexts(store, record), std::nullopt);

        record.PS[99] = "LAST    ";
        record.PSDelay[99] = 7;
        record.RT = "OUR OWN RADIO TEXT";
        saveStationTexts(stationTextsFrom(record), store);
        QCOMPARE(store.values["StationTexts/PS"], record.PS[0]);
        QCOMPARE(store.values["StationTexts/PS99"], QString("LAST    "));
        QCOMPARE(store.values["StationTexts/PSDelay99"], QString("7"));
        QCOMPARE(store.values["StationTexts/RT"], record.RT);
        QCOMPARE(loadStationTexts(store, StationSettings()), stationTextsFrom(record));
    }

    // A section written by hand with a few of the keys: the others keep
    // the record's value rather than going on air blank.
    void partialSectionKeepsTheRecordsTexts()
    {
        MemorySettingsBackend store;
        store.write("StationTexts", "PS1", "HAND    ");
        store.write("StationTexts", "PSDelay2", "4");
        store.write("StationTexts", "PSDelay3", "soon");
        StationSettings record;
        record.PS[0] = "RECORD0 ";
        record.PS[2] = "RECORD2 ";
        record.PSDelay[3] = 6;
        record.RT = "RECORD RADIO TEXT";

        StationTexts expected = stationTextsFrom(record);
        expected.labels[1] = "HAND    ";
        expected.delays[2] = 4;
        QCOMPARE(loadStationTexts(store, record), expected);
    }

    void fallbackRuleStored_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("onEmpty");
        QTest::addColumn<int>("loadedMinutes");
        QTest::addColumn<bool>("loadedOnEmpty");
        QTest::newRow("absent is off") << QString() << QString() << 0 << false;
        QTest::newRow("set") << "30"
                             << "1" << 30 << true;
        QTest::newRow("not a number is off") << "half"
                                             << "yes" << 0 << false;
        QTest::newRow("beyond a day held to a day") << "99999"
                                                    << "0" << 1440 << false;
    }
    void fallbackRuleStored()
    {
        QFETCH(QString, minutes);
        QFETCH(QString, onEmpty);
        QFETCH(int, loadedMinutes);
        QFETCH(bool, loadedOnEmpty);
        MemorySettingsBackend store;
        if (!minutes.isNull())
            store.write("Driver", "FallbackMinutes", minutes);
        if (!onEmpty.isNull())
            store.write("Driver", "FallbackOnEmptySong", onEmpty);
        const FallbackRule rule = loadFallbackRule(store);
        QCOMPARE(rule, (FallbackRule { loadedMinutes, loadedOnEmpty }));
        saveFallbackRule(rule, store);
        QCOMPARE(loadFallbackRule(store), rule);
    }

    // Each tick is "seconds after the start:song text" (no text: the empty
    // song); the decisions read "." nothing, "S" station texts, "R" resume.
    void decideFallback_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<bool>("onEmpty");
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QString>("decisions");
        QTest::newRow("a second short of the minutes") << 1 << false << QStringList { "0:A", "59:A" } << "..";
        QTest::newRow("the full minutes") << 1 << false << QStringList { "0:A", "60:A" } << ".S";
        QTest::newRow("put once") << 1 << false << QStringList { "0:A", "60:A", "61:A", "7200:A" } << ".S..";
        QTest::newRow("new song resumes") << 1 << false << QStringList { "0:A", "60:A", "70:B" } << ".SR";
        QTest::newRow("new song restarts the timer")
            << 1 << false << QStringList { "0:A", "50:B", "100:B", "110:B" } << "...S";
        QTest::newRow("off by default") << 0 << false << QStringList { "0:A", "99999:A", "99999:" } << "...";
        QTest::newRow("empty song falls back at once")
            << 0 << true << QStringList { "0:A", "5:", "6:" } << ".S.";
        QTest::newRow("empty song without the choice waits for the timer")
            << 1 << false << QStringList { "0:A", "5:", "64:", "65:" } << "...S";
        QTest::newRow("empty song resumes nothing")
            << 1 << false << QStringList { "0:A", "60:A", "61:" } << ".S.";
        QTest::newRow("the same song after an empty one resumes")
            << 0 << true << QStringList { "0:A", "5:", "9:A" } << ".SR";
        QTest::newRow("clock set back restarts the timer")
            << 1 << false << QStringList { "3600:A", "0:A", "59:A", "60:A" } << "...S";
    }
    void decideFallback()
    {
        QFETCH(int, minutes);
        QFETCH(bool, onEmpty);
        QFETCH(QStringList, ticks);
        QFETCH(QString, decisions);
        const FallbackRule rule { minutes, onEmpty };
        FallbackState state;
        QString made;
        for (const QString &tick : ticks) {
            const QString song = tick.section(':', 1);
            const QDateTime now = kStart.addSecs(tick.section(':', 0, 0).toInt());
            switch (zorvan::decideFallback(state, rule, song, song.isEmpty(), now)) {
            case FallbackDecision::Nothing:
                made += '.';
                break;
            case FallbackDecision::PutStationTexts:
                made += 'S';
                break;
            case FallbackDecision::ResumeSong:
                made += 'R';
                break;
            }
        }
        QCOMPARE(made, decisions);
    }
};

QTEST_GUILESS_MAIN(TestStationTexts)
#include "tst_station_texts.moc"
