#pragma once

namespace zorvan {

// Sets the input and output speed of the open terminal `fd` to `baudRate`,
// leaving every other line setting alone. Also takes the rates that have no
// B-constant of their own, such as the board's 14400. False when the driver
// refuses the rate.
bool setLineSpeed(int fd, int baudRate);

} // namespace zorvan
