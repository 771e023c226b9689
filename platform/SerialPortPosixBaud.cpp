// The kernel's termios2 clashes with the C library's struct termios, so it lives alone here.
#include "platform/SerialPortPosixBaud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace orvane {

bool SetExactBaud(int fd, uint32_t baud) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        return false;
    }
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = baud;
    tio.c_ospeed = baud;
    if (ioctl(fd, TCSETS2, &tio) != 0) {
        return false;
    }
    struct termios2 check {};
    if (ioctl(fd, TCGETS2, &check) != 0) {
        return false;
    }
    // Drivers round to what their divisor allows; anything within 3 % still frames bytes.
    const uint64_t got = check.c_ospeed;
    const uint64_t want = baud;
    const uint64_t diff = got > want ? got - want : want - got;
    return diff * 100 <= want * 3;
}

}  // namespace orvane
