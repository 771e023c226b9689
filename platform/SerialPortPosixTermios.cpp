#include <cerrno>
#include <cstdint>

#include "platform/SerialPortPosixTermios.h"

namespace orvane {

bool StandardSpeed(uint32_t baud, speed_t& speed) {
    struct Entry {
        uint32_t baud;
        speed_t speed;
    };
    static constexpr Entry kSpeeds[] = {
        {50, B50},       {75, B75},         {110, B110},       {134, B134},     {150, B150},
        {200, B200},     {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
        {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
        {57600, B57600}, {115200, B115200}, {230400, B230400},
    };
    for (const Entry& e : kSpeeds) {
        if (e.baud == baud) {
            speed = e.speed;
            return true;
        }
    }
    return false;
}

namespace {

uint8_t DataBitsOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

tcflag_t SizeFlag(uint8_t bits) {
    switch (bits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

}  // namespace

bool BuildRawTermios(const ModeSettings& mode, termios& tio) {
    const tcflag_t before = tio.c_cflag;
    cfmakeraw(&tio);

    const uint8_t data = mode.dataBits.value_or(DataBitsOf(before));
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    tio.c_cflag |= SizeFlag(data);

    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
#if defined(CMSPAR)
    tio.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
    if (mode.parity) {
        switch (*mode.parity) {
            case ModeSettings::Parity::None:
                break;
            case ModeSettings::Parity::Even:
                tio.c_cflag |= PARENB;
                break;
            case ModeSettings::Parity::Odd:
                tio.c_cflag |= PARENB | PARODD;
                break;
#if defined(CMSPAR)
            case ModeSettings::Parity::Mark:
                tio.c_cflag |= PARENB | PARODD | CMSPAR;
                break;
            case ModeSettings::Parity::Space:
                tio.c_cflag |= PARENB | CMSPAR;
                break;
#else
            default:
                return false;
#endif
        }
    } else {
        tio.c_cflag |= before & (PARENB | PARODD);
#if defined(CMSPAR)
        tio.c_cflag |= before & CMSPAR;
#endif
    }

    // As on the comm API: 1.5 stop bits only with 5 data bits, 2 only with 6 to 8. A UART sends
    // 1.5 stop bits after 5 data bits when asked for two.
    if (mode.stopBits) {
        switch (*mode.stopBits) {
            case ModeSettings::StopBits::One:
                tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
                break;
            case ModeSettings::StopBits::OneAndHalf:
                if (data != 5) {
                    return false;
                }
                tio.c_cflag |= CSTOPB;
                break;
            case ModeSettings::StopBits::Two:
                if (data == 5) {
                    return false;
                }
                tio.c_cflag |= CSTOPB;
                break;
        }
    }

    // Receiver on, modem lines not needed to talk, no flow control of either kind, no parity
    // checking: every byte that arrives is handed up as it is.
    tio.c_cflag |= CLOCAL | CREAD;
#if defined(CRTSCTS)
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return true;
}

SerialOpenError SerialOpenErrorOfErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ENOTDIR:
        case EIO:
            return SerialOpenError::NotFound;
        case EACCES:
        case EPERM:
            return SerialOpenError::PermissionDenied;
        case EBUSY:
            return SerialOpenError::Busy;
        default:
            return SerialOpenError::Other;
    }
}

}  // namespace orvane
