#include "content/programme_in_force.h"

#include <QTimeZone>
#include <QtTest>

using namespace zorvan;

namespace {

// "Name;Days;Start;End", and ";follow" for one that follows songs.
std::vector<Programme> programmesOf(const QStringList &specs)
{
    std::vector<Programme> programmes;
    for (const QString &spec : specs) {
        const QStringList parts = spec.split(QLatin1Char(';'));
        Programme programme;
        programme.name = parts[0];
        programme.days = parseProgrammeDays(parts[1]).value();
        programme.start = parseProgrammeTime(parts[2]).value();
        programme.end = parseProgrammeTime(parts[3]).value();
        programme.followSongs = parts.size() > 4;
        programmes.push_back(programme);
    }
    return programmes;
}

// An ISO time with its offset, which tells the two passes of a repeated
// hour apart, read in `zone`.
QDateTime at(const QString &iso, const char *zone)
{
    const QDateTime instant = QDateTime::fromString(iso, Qt::ISODate);
    Q_ASSERT(instant.isValid());
    return instant.toTimeZone(QTimeZone(zone));
}

QString nameInForce(const std::vector<Programme> &programmes, const QDateTime &now)
{
    const auto inForce = programmeInForce(programmes, now);
    return inForce ? programmes[inForce->index].name : QStringLiteral("-");
}

QString actionName(ProgrammeAction action)
{
    switch (action) {
    case ProgrammeAction::None:
        return QStringLiteral("none");
    case ProgrammeAction::HoldSong:
        return QStringLiteral("hold");
    case ProgrammeAction::PutTexts:
        return QStringLiteral("put");
    case ProgrammeAction::ResumeSong:
        return QStringLiteral("resume");
    }
    return {};
}

const QString kMorning = QStringLiteral("Morning;Mon-Fri;07:00;09:00");

} // namespace

class TestProgrammeInForce : public QObject {
    Q_OBJECT

private slots:
    void inForce_data()
    {
        QTest::addColumn<QStringList>("programmes");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("expected"); // "-": none

        const QStringList morning { kMorning };
        QTest::newRow("inside a weekday run") << morning << "Europe/Berlin"
                                              << "2026-12-07T07:30:00+01:00"
                                              << "Morning";
        QTest::newRow("at its start") << morning << "Europe/Berlin"
                                      << "2026-12-07T07:00:00+01:00"
                                      << "Morning";
        QTest::newRow("a second before") << morning << "Europe/Berlin"
                                         << "2026-12-07T06:59:59+01:00"
                                         << "-";
        QTest::newRow("at its end") << morning << "Europe/Berlin"
                                    << "2026-12-07T09:00:00+01:00"
                                    << "-";
        QTest::newRow("Saturday") << morning << "Europe/Berlin"
                                  << "2026-12-12T07:30:00+01:00"
                                  << "-";

        const QStringList night { QStringLiteral("Night;Fri;22:00;02:00") };
        QTest::newRow("past midnight, Friday's run on Saturday") << night << "Europe/Berlin"
                                                                 << "2026-12-12T01:30:00+01:00"
                                                                 << "Night";
        QTest::newRow("past midnight, no Thursday run on Friday") << night << "Europe/Berlin"
                                                                  << "2026-12-11T01:30:00+01:00"
                                                                  << "-";
        QTest::newRow("past midnight, its own evening") << night << "Europe/Berlin"
                                                        << "2026-12-11T23:00:00+01:00"
                                                        << "Night";

        const QStringList showAndNews { QStringLiteral("Show;Mon-Fri;06:00;10:00"),
            QStringLiteral("News;Mon-Fri;08:00;09:00") };
        QTest::newRow("news inside a show") << showAndNews << "Europe/Berlin"
                                            << "2026-12-07T08:30:00+01:00"
                                            << "News";
        QTest::newRow("the show again after the news") << showAndNews << "Europe/Berlin"
                                                       << "2026-12-07T09:00:00+01:00"
                                                       << "Show";
        const QStringList newsThenShow { QStringLiteral("News;Mon-Fri;08:00;09:00"),
            QStringLiteral("Late show;Mon-Fri;08:30;10:00") };
        QTest::newRow("the later start wins whatever the order") << newsThenShow << "Europe/Berlin"
                                                                 << "2026-12-07T08:45:00+01:00"
                                                                 << "Late show";
        const QStringList nightAndEarly { QStringLiteral("Night;Mon-Sun;22:00;06:00"),
            QStringLiteral("Early;Mon-Sun;05:00;09:00") };
        QTest::newRow("a start after midnight wins over the night's") << nightAndEarly << "Europe/Berlin"
                                                                      << "2026-12-08T05:30:00+01:00"
                                                                      << "Early";
        QTest::newRow("equal starts: the later in the list")
            << QStringList { QStringLiteral("A;Mon;07:00;08:00"), QStringLiteral("B;Mon;07:00;07:30") }
            << "Europe/Berlin"
            << "2026-12-07T07:10:00+01:00"
            << "B";
        QTest::newRow("start equal to end is a whole day")
            << QStringList { QStringLiteral("All day;Mon;00:00;24:00") } << "Europe/Berlin"
            << "2026-12-07T23:59:59+01:00"
            << "All day";
        QTest::newRow("a whole day ends at midnight")
            << QStringList { QStringLiteral("All day;Mon;00:00;00:00") } << "Europe/Berlin"
            << "2026-12-08T00:00:00+01:00"
            << "-";

        // Berlin skips 02:00-03:00 on 29 March 2026 and repeats 02:00-03:00
        // on 25 October.
        const QStringList skippedStart { QStringLiteral("Early;Sun;02:30;04:00") };
        QTest::newRow("Berlin: a start in the skipped hour is at its end") << skippedStart << "Europe/Berlin"
                                                                           << "2026-03-29T03:00:00+02:00"
                                                                           << "Early";
        QTest::newRow("Berlin: not before the gap") << skippedStart << "Europe/Berlin"
                                                    << "2026-03-29T01:59:59+01:00"
                                                    << "-";
        const QStringList skippedEnd { QStringLiteral("Late;Sun;01:00;02:30") };
        QTest::newRow("Berlin: an end in the skipped hour is at its end") << skippedEnd << "Europe/Berlin"
                                                                          << "2026-03-29T03:00:00+02:00"
                                                                          << "-";
        QTest::newRow("Berlin: on until the gap") << skippedEnd << "Europe/Berlin"
                                                  << "2026-03-29T01:59:59+01:00"
                                                  << "Late";
        const QStringList repeatedStart { QStringLiteral("Repeat;Sun;02:30;03:30") };
        QTest::newRow("Berlin: a start in the repeated hour, first pass") << repeatedStart << "Europe/Berlin"
                                                                          << "2026-10-25T02:30:00+02:00"
                                                                          << "Repeat";
        QTest::newRow("Berlin: not yet before its first pass") << repeatedStart << "Europe/Berlin"
                                                               << "2026-10-25T02:20:00+02:00"
                                                               << "-";
        QTest::newRow("Berlin: still on through the second pass") << repeatedStart << "Europe/Berlin"
                                                                  << "2026-10-25T02:10:00+01:00"
                                                                  << "Repeat";
        const QStringList repeatedEnd { QStringLiteral("Late;Sun;01:00;02:30") };
        QTest::newRow("Berlin: an end in the repeated hour, at its first pass")
            << repeatedEnd << "Europe/Berlin"
            << "2026-10-25T02:30:00+02:00"
            << "-";
        QTest::newRow("Berlin: not again in the second pass") << repeatedEnd << "Europe/Berlin"
                                                              << "2026-10-25T02:10:00+01:00"
                                                              << "-";

        // New York skips 02:00-03:00 on 8 March 2026 and repeats
        // 01:00-02:00 on 1 November.
        const QStringList usSkipped { QStringLiteral("Show;Sun;02:15;05:00") };
        QTest::newRow("New York: a start in the skipped hour is at its end")
            << usSkipped << "America/New_York"
            << "2026-03-08T03:00:00-04:00"
            << "Show";
        QTest::newRow("New York: not before the gap") << usSkipped << "America/New_York"
                                                      << "2026-03-08T01:59:59-05:00"
                                                      << "-";
        const QStringList usRepeated { QStringLiteral("Show;Sun;01:30;02:30") };
        QTest::newRow("New York: a start in the repeated hour, first pass")
            << usRepeated << "America/New_York"
            << "2026-11-01T01:30:00-04:00"
            << "Show";
        QTest::newRow("New York: still on through the second pass") << usRepeated << "America/New_York"
                                                                    << "2026-11-01T01:10:00-05:00"
                                                                    << "Show";
        const QStringList usRepeatedEnd { QStringLiteral("Early;Sun;00:00;01:30") };
        QTest::newRow("New York: an end in the repeated hour, at its first pass")
            << usRepeatedEnd << "America/New_York"
            << "2026-11-01T01:40:00-04:00"
            << "-";
        QTest::newRow("New York: not again in the second pass") << usRepeatedEnd << "America/New_York"
                                                                << "2026-11-01T01:10:00-05:00"
                                                                << "-";
    }
    void inForce()
    {
        QFETCH(QStringList, programmes);
        QFETCH(QString, zone);
        QFETCH(QString, now);
        QFETCH(QString, expected);
        QCOMPARE(nameInForce(programmesOf(programmes), at(now, qPrintable(zone))), expected);
    }

    // Tick after tick, with the clock going where the row says.
    void steps_data()
    {
        QTest::addColumn<QStringList>("times"); // Berlin, Monday 7 December 2026
        QTest::addColumn<bool>("stationTextsOnAir");
        QTest::addColumn<QStringList>("actions");

        QTest::newRow("before, at and through a programme")
            << QStringList { "06:59:59", "07:00:00", "07:00:01", "08:59:59", "09:00:00", "09:00:01" } << false
            << QStringList { "none", "put", "hold", "hold", "resume", "none" };
        QTest::newRow("start-up inside a programme puts its texts on air")
            << QStringList { "07:30:00" } << false << QStringList { "put" };
        QTest::newRow("clock stepped back inside the programme: nothing again")
            << QStringList { "08:30:00", "07:10:00" } << false << QStringList { "put", "hold" };
        QTest::newRow("clock stepped back before its start, then on") << QStringList { "07:00:05", "06:59:50",
            "07:00:00" } << false << QStringList { "put", "resume", "put" };
        QTest::newRow("clock stepped forward past its end")
            << QStringList { "07:30:00", "09:30:00" } << false << QStringList { "put", "resume" };
        QTest::newRow("clock stepped forward over a whole programme")
            << QStringList { "06:30:00", "09:30:00" } << false << QStringList { "none", "none" };
        QTest::newRow("one that follows songs, with the song on air") << QStringList { "15:59:59", "16:00:00",
            "19:00:00" } << false << QStringList { "none", "none", "none" };
        // The first tick finds the texts in force anew; the station sends
        // only what differs from what is on the board.
        QTest::newRow("one that follows songs, with the station texts on air") << QStringList { "15:59:59",
            "16:00:00", "16:00:01", "19:00:00" } << true << QStringList { "put", "put", "none", "put" };
        QTest::newRow("from one that holds the song to one that follows it") << QStringList { "08:00:00",
            "12:00:00", "12:00:01" } << false << QStringList { "put", "resume", "none" };
    }
    void steps()
    {
        QFETCH(QStringList, times);
        QFETCH(bool, stationTextsOnAir);
        QFETCH(QStringList, actions);
        const std::vector<Programme> programmes = programmesOf({ kMorning,
            QStringLiteral("Midday;Mon;11:00;13:00"), QStringLiteral("Drive;Mon-Fri;16:00;19:00;follow"),
            QStringLiteral("Lunch;Mon;12:00;13:00;follow") });
        ProgrammeState state;
        QStringList done;
        for (const QString &time : times) {
            const QDateTime now
                = at(QStringLiteral("2026-12-07T") + time + QStringLiteral("+01:00"), "Europe/Berlin");
            done << actionName(stepProgrammes(state, programmes, now, stationTextsOnAir).action);
        }
        QCOMPARE(done, actions);
    }

    // The log names each change once.
    void namesEachChangeOnce()
    {
        const std::vector<Programme> programmes = programmesOf({ kMorning });
        ProgrammeState state;
        QStringList said;
        for (const char *time : { "06:59:59", "07:00:00", "07:00:01", "09:00:00", "09:00:01" }) {
            const ProgrammeStep step = stepProgrammes(state, programmes,
                at(QStringLiteral("2026-12-07T%1+01:00").arg(QLatin1String(time)), "Europe/Berlin"), false);
            if (step.began)
                said << QStringLiteral("begins ") + *step.began;
            if (step.ended)
                said << QStringLiteral("ends ") + *step.ended;
        }
        QCOMPARE(said, (QStringList { "begins Morning", "ends Morning" }));
    }
};

QTEST_GUILESS_MAIN(TestProgrammeInForce)
#include "tst_programme_in_force.moc"
