#pragma once

#include "link/transmission.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace zorvan {

// A plan, or the reason there is none.
struct PlanOrError {
    std::optional<Transmission> plan;
    QString error;
};

// The years whose offset the board's clock can take in one byte.
inline constexpr int kFirstClockYear = 2004;
inline constexpr int kLastClockYear = 2255;

// "TIME", "DATE" and "SAVE" for the moment `now`, read once so that the
// frames agree across a change of minute or day. A clock outside the years
// above, or no valid time at all, gives no plan and a message for the
// operator.
//
// The driver's own periodic setting of the clock leaves out the store
// command: the clock runs on by itself, and storing the board's settings
// every few minutes for years would only wear its memory.
enum class ClockStore { With, Without };
PlanOrError SynchronizeClock(const QDateTime &now, ClockStore store = ClockStore::With);

} // namespace zorvan
