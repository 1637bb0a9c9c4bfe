#include "content/programme_in_force.h"

#include <QTimeZone>
#include <QtTest>

using namespace zorvan;

namespace {

// "Name;Days;Start;End", and ";follow" for one that follows songs.
std::vector<Programme> programmesOf(const QStringList &entries)
{
    std::vector<Programme> programmes;
    for (const QString &entry : entries) {
        const QStringList parts = entry.split(QLatin1Char(';'));
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
QDateTime at(const QString &iso, const QString &zone)
{
    return QDateTime::fromString(iso, Qt::ISODate).toTimeZone(QTimeZone(zone.toLatin1()));
}

void row(const char *name, const QString &programmes, const char *zone, const char *now, const char *expected)
{
    QTest::newRow(name) << programmes.split(QLatin1Char('|')) << zone << now << expected;
}

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

        const char *berlin = "Europe/Berlin";
        const QString morning = QStringLiteral("Morning;Mon-Fri;07:00;09:00");
        row("at its start", morning, berlin, "2026-12-07T07:00:00+01:00", "Morning");
        row("at its end", morning, berlin, "2026-12-07T09:00:00+01:00", "-");
        row("a day it does not run", morning, berlin, "2026-12-12T07:30:00+01:00", "-");
        const QString night = QStringLiteral("Night;Fri;22:00;02:00");
        row("past midnight: Friday's run on Saturday", night, berlin, "2026-12-12T01:30:00+01:00", "Night");
        row("past midnight: no Thursday run", night, berlin, "2026-12-11T01:30:00+01:00", "-");
        const QString showAndNews = QStringLiteral("Show;Mon-Fri;06:00;10:00|News;Mon-Fri;08:00;09:00");
        row("news inside a show", showAndNews, berlin, "2026-12-07T08:30:00+01:00", "News");
        row("the show again after the news", showAndNews, berlin, "2026-12-07T09:00:00+01:00", "Show");
        row("the later start wins whatever the order", "News;Mon-Fri;08:00;09:00|Late;Mon-Fri;08:30;10:00",
            berlin, "2026-12-07T08:45:00+01:00", "Late");
        row("a start after midnight wins over the night's",
            "Night;Mon-Sun;22:00;06:00|Early;Mon-Sun;05:00;09:00", berlin, "2026-12-08T05:30:00+01:00",
            "Early");
        row("start equal to end: a whole day", "All;Mon;00:00;24:00", berlin, "2026-12-07T23:59:59+01:00",
            "All");

        // Berlin skips 02:00-03:00 on 29 March 2026 and repeats 02:00-03:00
        // on 25 October; New York skips 02:00-03:00 on 8 March and repeats
        // 01:00-02:00 on 1 November.
        row("Berlin: a start in the skipped hour is at its end", "Early;Sun;02:30;04:00", berlin,
            "2026-03-29T03:00:00+02:00", "Early");
        row("Berlin: an end in the skipped hour is at its end", "Late;Sun;01:00;02:30", berlin,
            "2026-03-29T03:00:00+02:00", "-");
        row("Berlin: a start in the repeated hour holds through it", "Repeat;Sun;02:30;03:30", berlin,
            "2026-10-25T02:10:00+01:00", "Repeat");
        row("Berlin: an end in the repeated hour, not again", "Late;Sun;01:00;02:30", berlin,
            "2026-10-25T02:10:00+01:00", "-");
        const char *newYork = "America/New_York";
        row("New York: a start in the skipped hour is at its end", "Show;Sun;02:15;05:00", newYork,
            "2026-03-08T03:00:00-04:00", "Show");
        row("New York: not before the gap", "Show;Sun;02:15;05:00", newYork, "2026-03-08T01:59:59-05:00",
            "-");
        row("New York: a start in the repeated hour holds through it", "Show;Sun;01:30;02:30", newYork,
            "2026-11-01T01:10:00-05:00", "Show");
        row("New York: an end in the repeated hour, not again", "Early;Sun;00:00;01:30", newYork,
            "2026-11-01T01:10:00-05:00", "-");
    }
    void inForce()
    {
        QFETCH(QStringList, programmes);
        QFETCH(QString, zone);
        QFETCH(QString, now);
        QFETCH(QString, expected);
        const std::vector<Programme> list = programmesOf(programmes);
        const auto inForce = programmeInForce(list, at(now, zone));
        QCOMPARE(inForce ? list[inForce->index].name : QStringLiteral("-"), expected);
    }

    // Tick after tick, with the clock going where the row says (Berlin,
    // Monday 7 December 2026). The first tick finds the texts anew; the
    // station sends only what differs from the board.
    void steps_data()
    {
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<bool>("stationTextsOnAir");
        QTest::addColumn<QStringList>("actions");

        QTest::newRow("before, at, through and after a programme")
            << QStringList { "06:59:59", "07:00:00", "08:59:59", "09:00:00", "09:00:01" } << false
            << QStringList { "none", "put", "hold", "resume", "none" };
        QTest::newRow("clock stepped back inside it: nothing again")
            << QStringList { "08:30:00", "07:10:00" } << false << QStringList { "put", "hold" };
        QTest::newRow("clock stepped back before its start, then on") << QStringList { "07:00:05", "06:59:50",
            "07:00:00" } << false << QStringList { "put", "resume", "put" };
        QTest::newRow("clock stepped forward past its end")
            << QStringList { "07:30:00", "09:30:00" } << false << QStringList { "put", "resume" };
        QTest::newRow("one that follows songs, song on air") << QStringList { "15:59:59", "16:00:00",
            "19:00:00" } << false << QStringList { "none", "none", "none" };
        QTest::newRow("one that follows songs, station texts on air") << QStringList { "15:59:59", "16:00:00",
            "16:00:01", "19:00:00" } << true << QStringList { "put", "put", "none", "put" };
    }
    void steps()
    {
        QFETCH(QStringList, times);
        QFETCH(bool, stationTextsOnAir);
        QFETCH(QStringList, actions);
        const std::vector<Programme> programmes
            = programmesOf({ "Morning;Mon-Fri;07:00;09:00", "Drive;Mon-Fri;16:00;19:00;follow" });
        const char *names[] = { "none", "hold", "put", "resume" }; // in the order of ProgrammeAction
        ProgrammeState state;
        QStringList done;
        for (const QString &time : times) {
            const QDateTime now
                = at(QStringLiteral("2026-12-07T%1+01:00").arg(time), QStringLiteral("Europe/Berlin"));
            done << QLatin1String(
                names[static_cast<int>(stepProgrammes(state, programmes, now, stationTextsOnAir).action)]);
        }
        QCOMPARE(done, actions);
    }
};

QTEST_GUILESS_MAIN(TestProgrammeInForce)
#include "tst_programme_in_force.moc"
