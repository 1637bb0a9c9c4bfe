#include "content/programmes.h"

#include "memory_settings_backend.h"

#include <QtTest>

using namespace zorvan;

class TestProgrammes : public QObject {
    Q_OBJECT

private slots:
    void days_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // Mon..Sun as 1/0; empty: not usable
        QTest::newRow("list") << "Mon,Tue,Wed,Thu,Fri"
                              << "1111100";
        QTest::newRow("range") << "Mon-Fri"
                               << "1111100";
        QTest::newRow("weekend") << "Sat-Sun"
                                 << "0000011";
        QTest::newRow("range wrapping past Sunday") << "Fri-Mon"
                                                    << "1000111";
        QTest::newRow("mixed, blanks and case") << " mon , WED-fri "
                                                << "1011100";
        QTest::newRow("one day") << "Sun"
                                 << "0000001";
        QTest::newRow("unknown day") << "Mon,Fry"
                                     << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("empty item") << "Mon,,Tue"
                                    << "";
        QTest::newRow("three ends") << "Mon-Wed-Fri"
                                    << "";
    }
    void days()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto days = parseProgrammeDays(text);
        QString got;
        if (days) {
            for (bool day : *days)
                got += day ? QLatin1Char('1') : QLatin1Char('0');
        }
        QCOMPARE(got, expected);
        // Written back in the shortest form, which reads the same.
        if (days)
            QCOMPARE(parseProgrammeDays(programmeDaysText(*days)), days);
    }

    void daysWritten()
    {
        QCOMPARE(
            programmeDaysText({ true, true, true, true, true, false, true }), QStringLiteral("Mon-Fri,Sun"));
        QCOMPARE(programmeDaysText({ true, true, false, false, false, true, true }),
            QStringLiteral("Mon,Tue,Sat,Sun"));
    }

    void times_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // HH:mm; empty: not usable
        QTest::newRow("morning") << "07:00"
                                 << "07:00";
        QTest::newRow("one-digit hour") << "7:05"
                                        << "07:05";
        QTest::newRow("midnight at the end of a day") << "24:00"
                                                      << "00:00";
        QTest::newRow("last minute") << "23:59"
                                     << "23:59";
        QTest::newRow("hour too big") << "25:00"
                                      << "";
        QTest::newRow("minute too big") << "07:60"
                                        << "";
        QTest::newRow("one-digit minute") << "07:5"
                                          << "";
        QTest::newRow("seconds") << "07:00:00"
                                 << "";
        QTest::newRow("words") << "seven"
                               << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void times()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto time = parseProgrammeTime(text);
        QCOMPARE(time ? time->toString(QStringLiteral("HH:mm")) : QString(), expected);
    }

    // A file edited by hand: what can be used is, the rest is named once
    // with what happens instead.
    void loadFromTheFile()
    {
        MemorySettingsBackend store;
        auto put = [&store](const char *section, const char *key, const QString &value) {
            store.write(QLatin1String(section), QLatin1String(key), value);
        };
        put("Programme1", "Name", QStringLiteral("Morning Show"));
        put("Programme1", "Days", QStringLiteral("Mon-Fri"));
        put("Programme1", "Start", QStringLiteral("07:00"));
        put("Programme1", "End", QStringLiteral("09:00"));
        put("Programme1", "FollowSongs", QStringLiteral("False"));
        put("Programme1", "PS", QStringLiteral("MORNING"));
        put("Programme1", "PS7", QStringLiteral("TOO LONG A LABEL"));
        put("Programme1", "PSDelay", QStringLiteral("3"));
        put("Programme1", "PSDelay2", QStringLiteral("12"));
        put("Programme1", "RT", QStringLiteral("wake up with us"));
        put("Programme2", "Name", QStringLiteral("Broken"));
        put("Programme2", "Days", QStringLiteral("Mon-Fry"));
        put("Programme2", "Start", QStringLiteral("25:00"));
        put("Programme2", "End", QStringLiteral("09:00"));
        // A gap before the next one is no end of the list.
        put("Programme4", "Name", QStringLiteral("Night"));
        put("Programme4", "Days", QStringLiteral("Sat"));
        put("Programme4", "Start", QStringLiteral("22:00"));
        put("Programme4", "End", QStringLiteral("02:00"));
        put("Programme4", "FollowSongs", QStringLiteral("perhaps"));

        const LoadedProgrammes loaded = loadProgrammes(store);
        QCOMPARE(loaded.programmes.size(), std::size_t(2));
        const Programme &morning = loaded.programmes[0];
        QCOMPARE(morning.name, QStringLiteral("Morning Show"));
        QCOMPARE(morning.labels[0], std::optional(QStringLiteral("MORNING ")));
        QCOMPARE(morning.labels[7], std::optional(QStringLiteral("TOO LONG")));
        QCOMPARE(morning.labels[1], std::nullopt);
        QCOMPARE(morning.delays[0], std::optional<qint16>(3));
        QCOMPARE(morning.delays[2], std::nullopt);
        QCOMPARE(morning.radioText, std::optional(QStringLiteral("WAKE UP WITH US")));
        QCOMPARE(loaded.programmes[1].name, QStringLiteral("Night"));
        QVERIFY(!loaded.programmes[1].followSongs);

        QCOMPARE(loaded.problems.size(), 3);
        QCOMPARE(loaded.problems[0],
            QStringLiteral("[Programme1] Morning Show: PSDelay2 \"12\" is not a delay 0 .. 9; the station's "
                           "delay is kept"));
        QCOMPARE(loaded.problems[1],
            QStringLiteral(
                "[Programme2] Broken: days \"Mon-Fry\" are not days like Mon-Fri or Sat,Sun; start "
                "\"25:00\" is not a time HH:MM; the programme is left out"));
        QVERIFY(loaded.problems[2].startsWith(QStringLiteral("[Programme4] Night: FollowSongs \"perhaps\"")));
    }

    // What is saved loads back the same, and a programme removed leaves
    // nothing behind.
    void saveAndLoadBack()
    {
        MemorySettingsBackend store;
        Programme news;
        news.name = QStringLiteral("News");
        news.days = { true, true, true, true, true, false, false };
        news.start = QTime(12, 0);
        news.end = QTime(12, 15);
        news.followSongs = true;
        news.labels[0] = QStringLiteral("NEWS    ");
        news.delays[0] = 4;
        news.radioText = QStringLiteral("THE NEWS AT NOON");
        Programme night = news;
        night.name = QStringLiteral("Night");
        night.radioText.reset();
        saveProgrammes({ news, night }, store);
        QCOMPARE(loadProgrammes(store).programmes, (std::vector<Programme> { news, night }));
        QCOMPARE(store.read(QStringLiteral("Programme1"), QStringLiteral("Days")),
            std::optional(QStringLiteral("Mon-Fri")));
        QCOMPARE(store.read(QStringLiteral("Programme1"), QStringLiteral("PS1")), std::nullopt);

        saveProgrammes({ night }, store);
        QCOMPARE(loadProgrammes(store).programmes, std::vector<Programme> { night });
        QCOMPARE(store.read(QStringLiteral("Programme1"), QStringLiteral("RT")), std::nullopt);
    }

    void textsOverTheStation()
    {
        StationTexts station;
        station.labels.fill(QStringLiteral("STATION "));
        station.delays.fill(2);
        station.radioText = QStringLiteral("STATION RT");
        Programme programme;
        programme.labels[1] = QStringLiteral("SHOW    ");
        programme.delays[1] = 5;
        StationTexts texts = programmeTexts(station, programme);
        QCOMPARE(texts.labels[0], QStringLiteral("STATION "));
        QCOMPARE(texts.labels[1], QStringLiteral("SHOW    "));
        QCOMPARE(texts.delays[1], qint16(5));
        QCOMPARE(texts.radioText, QStringLiteral("STATION RT"));
        programme.radioText = QString();
        QCOMPARE(programmeTexts(station, programme).radioText, QString());
    }
};

QTEST_GUILESS_MAIN(TestProgrammes)
#include "tst_programmes.moc"
