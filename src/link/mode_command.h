#pragma once

#include "link/transmission.h"

#include <QtGlobal>

namespace zorvan {

// The one "MODE" frame that sets the board's operating mode, with no pause
// and no store command after it.
Transmission SetMode(qint16 mode);

} // namespace zorvan
