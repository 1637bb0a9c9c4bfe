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
        QTest::newRow("ranges, blanks and case") << " mon , WED-fri,Sat-Sun "
                                                 << "1011111";
        QTest::newRow("range wrapping past Sunday") << "Fri-Mon"
                                                    << "1000111";
        QTest::newRow("unknown day") << "Mon,Fry"
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
                got += QLatin1Char(day ? '1' : '0');
        }
        QCOMPARE(got, expected);
        // Written back in its shortest form ("Mon,Wed-Sun"), which reads the same.
        if (days)
            QCOMPARE(parseProgrammeDays(programmeDaysText(*days)), days);
    }

    void times_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // HH:mm; empty: not usable
        QTest::newRow("one-digit hour") << "7:05"
                                        << "07:05";
        QTest::newRow("midnight at the end of a day") << "24:00"
                                                      << "00:00";
        QTest::newRow("hour too big") << "25:00"
                                      << "";
        QTest::newRow("one-digit minute") << "07:5"
                                          << "";
        QTest::newRow("seconds") << "07:00:00"
                                 << "";
    }
    void times()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto time = parseProgrammeTime(text);
        QCOMPARE(time ? time->toString(QStringLiteral("HH:mm")) : QString(), expected);
    }

    // A file edited by hand: what can be used is, the rest is named with
    // what happens instead; what is saved loads back the same, and a
    // programme removed leaves nothing behind.
    void loadAndSave()
    {
        MemorySettingsBackend store;
        const QStringList values { "Programme1/Name=Morning Show", "Programme1/Days=Mon-Fri",
            "Programme1/Start=07:00", "Programme1/End=09:00", "Programme1/PS=MORNING",
            "Programme1/PS7=TOO LONG A LABEL", "Programme1/PSDelay=3", "Programme1/PSDelay2=12",
            "Programme1/RT=wake up", "Programme2/Name=Broken", "Programme2/Days=Mon-Fry",
            "Programme2/Start=25:00", "Programme2/End=09:00", "Programme4/Name=Night", "Programme4/Days=Sat",
            "Programme4/Start=22:00", "Programme4/End=02:00", "Programme4/FollowSongs=perhaps" };
        for (const QString &value : values)
            store.values[value.section(QLatin1Char('='), 0, 0)] = value.section(QLatin1Char('='), 1);

        const LoadedProgrammes loaded = loadProgrammes(store);
        QCOMPARE(loaded.programmes.size(), std::size_t(2)); // a gap is no end of the list
        const Programme &morning = loaded.programmes[0];
        QCOMPARE(morning.labels[0], std::optional(QStringLiteral("MORNING ")));
        QCOMPARE(morning.labels[7], std::optional(QStringLiteral("TOO LONG")));
        QCOMPARE(morning.labels[1], std::nullopt);
        QCOMPARE(morning.delays[0], std::optional<qint16>(3));
        QCOMPARE(morning.delays[2], std::nullopt);
        QCOMPARE(morning.radioText, std::optional(QStringLiteral("WAKE UP")));
        QVERIFY(!loaded.programmes[1].followSongs);
        QCOMPARE(loaded.problems,
            (QStringList { "[Programme1] Morning Show: PSDelay2 \"12\" is not a delay 0 .. 9; the station's "
                           "delay is kept",
                "[Programme2] Broken: days \"Mon-Fry\" are not days like Mon-Fri or Sat,Sun; start \"25:00\" "
                "is not a time HH:MM; the programme is left out",
                "[Programme4] Night: FollowSongs \"perhaps\" is neither True nor False; its texts stay on "
                "air "
                "whatever the song" }));

        MemorySettingsBackend saved;
        saveProgrammes(loaded.programmes, saved);
        QCOMPARE(loadProgrammes(saved).programmes, loaded.programmes);
        QCOMPARE(saved.read(QStringLiteral("Programme2"), QStringLiteral("Name")),
            std::optional(QStringLiteral("Night")));
        saveProgrammes({ loaded.programmes[1] }, saved);
        QCOMPARE(loadProgrammes(saved).programmes, std::vector<Programme> { loaded.programmes[1] });
        QCOMPARE(saved.read(QStringLiteral("Programme2"), QStringLiteral("Name")), std::nullopt);
        QCOMPARE(saved.read(QStringLiteral("Programme1"), QStringLiteral("PS")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestProgrammes)
#include "tst_programmes.moc"
