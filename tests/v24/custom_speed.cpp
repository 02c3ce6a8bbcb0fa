// The kernel's termios headers clash with the C library's <termios.h>, so this file is the
// only one that includes them.
#include "custom_speed.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace v24test {

bool SetCustomSpeed(int fd, uint32_t baud)
{
    termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    t.c_cflag = (t.c_cflag & ~(CBAUD | (CBAUD << IBSHIFT))) | BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = t.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &t) == 0;
}

uint32_t DriverSpeed(int fd)
{
    termios2 t;
    return ioctl(fd, TCGETS2, &t) == 0 ? t.c_ospeed : 0;
}

} // namespace v24test
