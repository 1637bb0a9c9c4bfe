#pragma once

#include "link/transmission_runner.h"

#include <QString>

namespace zorvan {

// What the window tells the operator when a transmission did not go out
// whole; empty for a transmission that was sent. A failure of a device
// server names it by the address in `device` ("tcp://HOST:PORT"), when
// given.
QString linkFailureMessage(LinkOutcome outcome, const QString &device = {});

} // namespace zorvan
