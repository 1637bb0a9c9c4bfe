// What finding the programme in force costs the engine's tick: a week of
// 40 programmes (overlaps and runs past midnight among them), asked at every
// minute of a week that holds a daylight-saving change, in the zone of a
// station in Europe and one in America.
//   bench_programme_in_force [WEEKS]

#include "bench_support.h"

#include "content/programme_in_force.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <cstdio>

using namespace zorvan;
using namespace zorvan::bench;

namespace {

std::vector<Programme> aWeekOfProgrammes()
{
    std::vector<Programme> programmes;
    const char *days[] = { "Mon-Fri", "Sat-Sun", "Mon,Wed,Fri", "Tue-Thu", "Sun" };
    for (int n = 0; n < 40; ++n) {
        Programme programme;
        programme.name = QStringLiteral("Programme %1").arg(n);
        programme.days = *parseProgrammeDays(QLatin1String(days[n % 5]));
        programme.start = QTime((n * 5) % 24, (n * 15) % 60);
        programme.end = QTime((n * 5 + 1 + n % 4) % 24, 0);
        programme.followSongs = n % 2 == 0;
        programmes.push_back(programme);
    }
    return programmes;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int weeks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    const std::vector<Programme> programmes = aWeekOfProgrammes();
    std::printf("zone              decisions  in force  us per decision\n");
    for (const char *zone : { "Europe/Berlin", "America/New_York" }) {
        const QTimeZone timeZone(zone);
        // The week of the European change back to standard time.
        const QDateTime first = QDateTime(QDate(2026, 10, 22), QTime(0, 0), timeZone);
        long decisions = 0;
        long inForce = 0;
        const auto began = Clock::now();
        for (int minute = 0; minute < weeks * 7 * 24 * 60; ++minute) {
            inForce += programmeInForce(programmes, first.addSecs(qint64(minute) * 60)).has_value() ? 1 : 0;
            ++decisions;
        }
        const double us = msBetween(began, Clock::now()) * 1000.0 / double(decisions);
        std::printf("%-17s %9ld  %8ld  %15.2f\n", zone, decisions, inForce, us);
    }
    return 0;
}
