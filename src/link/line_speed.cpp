#include "link/line_speed.h"

#if defined(__linux__)

// termios2 lives in the kernel's own header, which clashes with the C
// library's <termios.h>: this file must not include both.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace zorvan {

bool setLineSpeed(int fd, int baudRate)
{
    struct termios2 tio { };
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    tio.c_cflag &= ~tcflag_t(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = speed_t(baudRate);
    tio.c_ospeed = speed_t(baudRate);
    if (ioctl(fd, TCSETS2, &tio) != 0)
        return false;
    // A driver may round to the nearest rate its clock divides to; a serial
    // receiver copes with up to about 3 %, anything further off is refused.
    struct termios2 check { };
    if (ioctl(fd, TCGETS2, &check) != 0)
        return false;
    const long deviation = long(check.c_ospeed) - long(baudRate);
    return deviation * 100 <= baudRate * 3L && -deviation * 100 <= baudRate * 3L;
}

} // namespace zorvan

#elif !defined(_WIN32)

#include <termios.h>

namespace zorvan {

bool setLineSpeed(int fd, int baudRate)
{
    // The BSDs take the rate itself as a speed_t.
    struct termios tio { };
    if (tcgetattr(fd, &tio) != 0)
        return false;
    if (cfsetspeed(&tio, speed_t(baudRate)) != 0)
        return false;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

} // namespace zorvan

#endif
