#include "link/clock_sync.h"

#include "link/command_vocabulary.h"

namespace zorvan {

namespace {

constexpr int kPause = 200;
constexpr int kSavePause = 500;

} // namespace

PlanOrError SynchronizeClock(const QDateTime &now, ClockStore store)
{
    if (!now.isValid())
        return { std::nullopt,
            QStringLiteral("The computer clock could not be read; the encoder clock was not set") };
    const QDate date = now.date();
    const QTime time = now.time();
    if (date.year() < kFirstClockYear || date.year() > kLastClockYear) {
        return { std::nullopt,
            QStringLiteral("The computer clock is set to the year %1.\n"
                           "The encoder clock takes only the years %2 to %3; correct the computer "
                           "clock, then synchronize again")
                .arg(date.year())
                .arg(kFirstClockYear)
                .arg(kLastClockYear) };
    }

    Transmission t;
    t.write(QByteArray(1, '\x00') + commandName(CommandId::Time));
    t.pause(kPause);
    t.write(QByteArray(1, '\x01'));
    t.report(QStringLiteral("Sending TIME and DATE to RDS encoder... 10%"), 1);
    t.report(QStringLiteral("Sending HOURS to RDS encoder... 20%"), 5);
    t.value(offsetValue(CommandId::Time, time.hour()));
    t.report(QStringLiteral("Sending MINUTES to RDS encoder... 30%"), 3);
    t.value(offsetValue(CommandId::Time, time.minute()));
    t.report(QStringLiteral("Sending SECONDS to RDS encoder... 40%"), 9);
    t.value(offsetValue(CommandId::Time, time.second()));
    t.closeFrame();
    t.pause(kPause);

    t.openFrame(commandName(CommandId::Date));
    t.report(QStringLiteral("Sending YEAR to RDS encoder... 60%"), 13);
    t.value(offsetValue(CommandId::Date, date.year() - kFirstClockYear));
    t.pause(kPause);
    t.report(QStringLiteral("Sending MONTH to RDS encoder... 80%"), 16);
    t.value(offsetValue(CommandId::Date, date.month()));
    t.pause(kPause);
    t.report(QStringLiteral("Sending DAY to RDS encoder... 90%"), 19);
    t.value(offsetValue(CommandId::Date, date.day()));
    t.closeFrame();
    t.pause(kPause);
    if (store == ClockStore::Without)
        return { std::move(t), {} };

    t.openFrame(commandName(CommandId::Save));
    t.report(QStringLiteral("Sending store settings command... 95%"), 19);
    t.value(decimalValue(CommandId::Save, 0));
    t.closeFrame();
    t.pause(kSavePause);
    return { std::move(t), {} };
}

} // namespace zorvan
