#include "content/programme_in_force.h"

#include <QTimeZone>

#include <algorithm>

namespace zorvan {

namespace {

constexpr qint64 kDayMs = 24 * 60 * 60 * 1000;

} // namespace

QDateTime firstInstantAt(const QDate &date, const QTime &time, const QTimeZone &zone)
{
    // The reading as if it were UTC; the instant is that less the zone's
    // offset then. Around a change there are two offsets to try (one
    // change a day at most): one fits both, either fits (a repeated
    // reading), or neither (a skipped one).
    const qint64 reading = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    const qint64 offsetBefore
        = qint64(zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(reading - kDayMs, Qt::UTC))) * 1000;
    const qint64 offsetAfter
        = qint64(zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(reading + kDayMs, Qt::UTC))) * 1000;
    std::optional<qint64> first;
    for (const qint64 offset : { offsetBefore, offsetAfter }) {
        const qint64 instant = reading - offset;
        const QDateTime utc = QDateTime::fromMSecsSinceEpoch(instant, Qt::UTC);
        if (qint64(zone.offsetFromUtc(utc)) * 1000 == offset && (!first || instant < *first))
            first = instant;
    }
    if (!first) {
        // Skipped: the clocks jumped over it at the change that lies
        // between the two instants tried.
        const QTimeZone::OffsetData change = zone.nextTransition(
            QDateTime::fromMSecsSinceEpoch(reading - offsetBefore - kDayMs / 2, Qt::UTC));
        first = change.atUtc.isValid() ? change.atUtc.toMSecsSinceEpoch() : reading - offsetBefore;
    }
    return QDateTime::fromMSecsSinceEpoch(*first, zone);
}

std::optional<ProgrammeInForce> programmeInForce(
    const std::vector<Programme> &programmes, const QDateTime &now)
{
    if (!now.isValid())
        return std::nullopt;
    const QTimeZone zone = now.timeZone();
    const QDate today = now.toTimeZone(zone).date();
    std::optional<ProgrammeInForce> found;
    for (std::size_t index = 0; index < programmes.size(); ++index) {
        const Programme &programme = programmes[index];
        if (!programme.start.isValid() || !programme.end.isValid())
            continue;
        // A run lasts a day at most, so only yesterday's and today's can
        // hold `now`; today's, being later, goes first.
        for (const QDate day : { today, today.addDays(-1) }) {
            if (!programme.days[static_cast<std::size_t>(day.dayOfWeek() - 1)])
                continue;
            const QDateTime began = firstInstantAt(day, programme.start, zone);
            const QDate endDay = programme.end > programme.start ? day : day.addDays(1);
            const QDateTime ends = firstInstantAt(endDay, programme.end, zone);
            if (began <= now && now < ends) {
                if (!found || began >= found->began)
                    found = ProgrammeInForce { index, began };
                break;
            }
        }
    }
    return found;
}

ProgrammeStep stepProgrammes(ProgrammeState &state, const std::vector<Programme> &programmes,
    const QDateTime &now, bool stationTextsOnAir)
{
    const std::optional<ProgrammeInForce> inForce = programmeInForce(programmes, now);
    const std::optional<std::size_t> index = inForce ? std::optional(inForce->index) : std::nullopt;
    const Programme *programme = index ? &programmes[*index] : nullptr;
    const bool holdsSong = programme && !programme->followSongs;
    ProgrammeStep step;
    if (state.known && index == state.index) {
        step.action = holdsSong ? ProgrammeAction::HoldSong : ProgrammeAction::None;
        return step;
    }
    state.known = true;
    state.index = index;
    const std::optional<QString> name = programme ? std::optional(programme->name) : std::nullopt;
    if (name != state.name) {
        if (name)
            step.began = name;
        else
            step.ended = state.name;
        state.name = name;
    }
    if (holdsSong) {
        state.songHeld = true;
        step.action = ProgrammeAction::PutTexts;
    } else if (state.songHeld) {
        state.songHeld = false;
        step.action = ProgrammeAction::ResumeSong;
    } else if (stationTextsOnAir) {
        step.action = ProgrammeAction::PutTexts;
    }
    return step;
}

} // namespace zorvan
