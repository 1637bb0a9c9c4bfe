#include "pty_reader.h"

// The kernel's termios2 carries any speed; its header clashes with the C
// library's <termios.h>, hence a file of its own.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace zorvan::test {

int terminalSpeed(int fd)
{
    struct termios2 tio { };
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return -1;
    return int(tio.c_ospeed);
}

bool terminalIsRaw8N1(int fd)
{
    struct termios2 tio { };
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    const bool eightN1 = (tio.c_cflag & CSIZE) == CS8 && !(tio.c_cflag & (PARENB | CSTOPB));
    const bool noFlowControl = !(tio.c_cflag & CRTSCTS) && !(tio.c_iflag & (IXON | IXOFF));
    const bool raw = !(tio.c_oflag & OPOST) && !(tio.c_lflag & (ICANON | ECHO | ISIG));
    return eightN1 && noFlowControl && raw && (tio.c_cflag & CLOCAL);
}

} // namespace zorvan::test
