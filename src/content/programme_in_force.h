#pragma once

#include "content/programmes.h"

#include <QDateTime>

#include <optional>
#include <vector>

namespace zorvan {

struct ProgrammeInForce {
    std::size_t index; // into the list given
    QDateTime began; // the instant this run of it started

    bool operator==(const ProgrammeInForce &) const = default;
};

// The programme in force at `now`, in the time zone `now` carries (the
// computer's own for QDateTime::currentDateTime()); std::nullopt outside
// every programme.
//
// A run starts on one of its days at its start time and lasts until its
// end time (the next day when it runs past midnight). Runs are instants,
// not wall-clock readings, so that the days of daylight-saving changes
// behave: a start or end in the hour the clocks skip falls at the end of
// the gap, and one in the hour they repeat at its first pass, so that the
// repeat neither starts nor ends anything again. Where runs overlap, the
// one that started later wins (a news hour inside a long show); of two
// that started at once, the later in the list.
std::optional<ProgrammeInForce> programmeInForce(
    const std::vector<Programme> &programmes, const QDateTime &now);

// What the station remembers between ticks of the programmes.
struct ProgrammeState {
    // False after start-up and each load: the next tick finds the
    // programme anew, and its texts are put on air if they should be.
    bool known = false;
    std::optional<std::size_t> index;
    std::optional<QString> name;
    // A programme that does not follow songs is on air.
    bool songHeld = false;
};

enum class ProgrammeAction {
    None, // the song engine goes on as it would
    HoldSong, // a programme that does not follow songs goes on: no song
    PutTexts, // the texts in force go on air
    ResumeSong, // the programme that held the song ended: the song again
};

struct ProgrammeStep {
    ProgrammeAction action = ProgrammeAction::None;
    // For the log, once for each change of the name in force.
    std::optional<QString> began;
    std::optional<QString> ended;
};

// One tick. `stationTextsOnAir`: the fallback has the station's texts on
// air, which a programme that follows songs then replaces with its own.
// PutTexts comes on each change of programme (and while `known` is
// false); the caller sends only what differs from what is on air.
ProgrammeStep stepProgrammes(ProgrammeState &state, const std::vector<Programme> &programmes,
    const QDateTime &now, bool stationTextsOnAir);

// The first instant at or after which the clocks of `zone` read `time` on
// `date`: the end of the gap for a reading the clocks skip, the first pass
// for one they repeat.
QDateTime firstInstantAt(const QDate &date, const QTime &time, const QTimeZone &zone);

} // namespace zorvan
