#include "tests/vm/LineSettings.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "link/SerialLink.h"

namespace orvane::vm {

namespace {

// <asm/termbits.h> and <termios.h> cannot meet in one file, so this file speaks termios2 only.
bool Get(int fd, termios2& tio) {
    return ioctl(fd, TCGETS2, &tio) == 0;
}

int Modem(int fd) {
    int lines = 0;
    return ioctl(fd, TIOCMGET, &lines) == 0 ? lines : -1;
}

void Print(std::FILE* out, const char* when, const termios2& tio, int lines) {
    const unsigned bits = (tio.c_cflag & CSIZE) == CS8 ? 8 : (tio.c_cflag & CSIZE) == CS7 ? 7 : 0;
    std::fprintf(out,
                 "%s: ispeed %u ospeed %u, %u data bits, parity %s, %s stop, rtscts %s, "
                 "xon/xoff %s, DTR %s, RTS %s\n",
                 when, tio.c_ispeed, tio.c_ospeed, bits,
                 (tio.c_cflag & PARENB) == 0 ? "none" : ((tio.c_cflag & PARODD) ? "odd" : "even"),
                 (tio.c_cflag & CSTOPB) ? "2" : "1", (tio.c_cflag & CRTSCTS) ? "on" : "off",
                 (tio.c_iflag & (IXON | IXOFF | IXANY)) ? "on" : "off",
                 lines < 0 ? "?" : ((lines & TIOCM_DTR) ? "on" : "off"),
                 lines < 0 ? "?" : ((lines & TIOCM_RTS) ? "on" : "off"));
}

std::string Spec(const std::string& tty, unsigned long baud) {
    return tty + "/baud=" + std::to_string(baud) + "/parity=N/stop=1/data=8";
}

}  // namespace

int CheckLineSettings(const std::string& tty, std::FILE* out) {
    const int fd = open(tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(out, "cannot open %s\n", tty.c_str());
        return 2;
    }
    termios2 tio{};
    if (!Get(fd, tio)) {
        close(fd);
        return 2;
    }
    tio.c_cflag &= ~(CBAUD | CSIZE);
    tio.c_cflag |= B9600 | CS7 | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD;
    tio.c_iflag |= IXON | IXOFF;
    tio.c_ispeed = tio.c_ospeed = 9600;
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (ioctl(fd, TCSETS2, &tio) != 0 || ioctl(fd, TIOCMBIC, &lines) != 0 || !Get(fd, tio)) {
        std::fprintf(out, "cannot set hostile settings on %s\n", tty.c_str());
        close(fd);
        return 2;
    }
    const int hostileLines = Modem(fd);
    Print(out, "hostile", tio, hostileLines);
    // Unless the driver kept the hostile settings, the check below proves nothing.
    if (tio.c_ospeed != 9600 || (tio.c_cflag & CSIZE) != CS7 || (tio.c_cflag & PARENB) == 0 ||
        (tio.c_cflag & CSTOPB) == 0 || (tio.c_cflag & CRTSCTS) == 0 || (tio.c_iflag & IXON) == 0 ||
        hostileLines < 0 || (hostileLines & (TIOCM_DTR | TIOCM_RTS)) != 0) {
        std::fprintf(out, "the driver did not keep the hostile settings\n");
        close(fd);
        return 2;
    }

    CSerialLink link;
    const int opened = link.Open(Spec(tty, 19200).c_str());
    std::fprintf(out, "CSerialLink::Open -> %d\n", opened);
    termios2 after{};
    const bool read = Get(fd, after);
    const int modem = Modem(fd);
    if (read) {
        Print(out, "after Open", after, modem);
    }
    link.Close();
    close(fd);
    const bool ok = opened == 1 && read && after.c_ispeed == 19200 && after.c_ospeed == 19200 &&
                    (after.c_cflag & CSIZE) == CS8 && (after.c_cflag & PARENB) == 0 &&
                    (after.c_cflag & CSTOPB) == 0 && (after.c_cflag & CRTSCTS) == 0 &&
                    (after.c_iflag & (IXON | IXOFF | IXANY)) == 0 && modem >= 0 &&
                    (modem & TIOCM_DTR) != 0 && (modem & TIOCM_RTS) != 0;
    return ok ? 0 : 1;
}

int CheckBaud(const std::string& tty, unsigned long baud, std::FILE* out) {
    CSerialLink link;
    const int opened = link.Open(Spec(tty, baud).c_str());
    std::fprintf(out, "CSerialLink::Open at %lu -> %d\n", baud, opened);
    if (opened != 1) {
        return 3;
    }
    const int fd = open(tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios2 tio{};
    const bool read = fd >= 0 && Get(fd, tio);
    if (fd >= 0) {
        close(fd);
    }
    link.Close();
    if (!read) {
        std::fprintf(out, "cannot read the rate back from %s\n", tty.c_str());
        return 2;
    }
    std::fprintf(out, "driver holds ispeed %u ospeed %u\n", tio.c_ispeed, tio.c_ospeed);
    return tio.c_ispeed == baud && tio.c_ospeed == baud ? 0 : 1;
}

}  // namespace orvane::vm
