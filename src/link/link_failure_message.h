#pragma once

#include "link/transmission_runner.h"

#include <QString>

namespace zorvan {

// What the window tells the operator when a transmission did not go out
// whole; empty for a transmission that was sent.
QString linkFailureMessage(LinkOutcome outcome);

} // namespace zorvan
