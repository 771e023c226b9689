#include <gtest/gtest.h>

#include <cerrno>

#include "platform/ModeText.h"
#include "platform/SerialPortPosixTermios.h"

namespace {

using orvane::BuildRawTermios;
using orvane::ModeSettings;
using orvane::ParseModeText;

// A port as another program may have left it: cooked, echoing, flow-controlled, 7E2.
termios CookedPort() {
    termios tio{};
    tio.c_iflag = ICRNL | IXON | IXOFF | IXANY | INPCK | ISTRIP | BRKINT;
    tio.c_oflag = OPOST | ONLCR;
    tio.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    tio.c_cflag = CS7 | PARENB | CSTOPB | CRTSCTS | HUPCL;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 5;
    return tio;
}

struct TermiosCase {
    const char* mode;
    tcflag_t size;
    tcflag_t parityBits;  // of PARENB | PARODD | CMSPAR
    bool twoStop;
};

TEST(RawTermios, ModeOverThePreviousSettings) {
    const TermiosCase cases[] = {
        {"baud=19200 parity=N stop=1 data=8", CS8, 0, false},
        {"data=7 parity=o stop=2", CS7, PARENB | PARODD, true},
        {"parity=m data=6", CS6, PARENB | PARODD | CMSPAR, true},
        {"parity=s", CS7, PARENB | CMSPAR, true},
        {"data=5 stop=1.5", CS5, PARENB, true},
        // Settings the text leaves out stay as the port had them.
        {"baud=9600", CS7, PARENB, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        ModeSettings mode;
        ASSERT_TRUE(ParseModeText(c.mode, mode));
        termios tio = CookedPort();
        ASSERT_TRUE(BuildRawTermios(mode, tio));
        EXPECT_EQ(tio.c_cflag & CSIZE, c.size);
        EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), c.parityBits);
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStop);
        // Whatever the mode: raw, receiver on, no flow control, no parity checking.
        EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
        EXPECT_EQ(tio.c_cflag & CRTSCTS, 0U);
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | INPCK | ISTRIP | ICRNL | BRKINT), 0U);
        EXPECT_EQ(tio.c_oflag & OPOST, 0U);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0U);
        EXPECT_EQ(tio.c_cc[VMIN], 0);
        EXPECT_EQ(tio.c_cc[VTIME], 0);
    }
}

TEST(RawTermios, RefusesStopBitsTheLineCannotCarry) {
    for (const char* text : {"data=8 stop=1.5", "stop=1.5", "data=5 stop=2"}) {
        ModeSettings mode;
        ASSERT_TRUE(ParseModeText(text, mode));
        termios tio = CookedPort();
        EXPECT_FALSE(BuildRawTermios(mode, tio)) << text;
    }
}

TEST(RawTermios, StandardSpeeds) {
    speed_t speed{};
    ASSERT_TRUE(orvane::StandardSpeed(19200, speed));
    EXPECT_EQ(speed, static_cast<speed_t>(B19200));
    ASSERT_TRUE(orvane::StandardSpeed(110, speed));
    EXPECT_EQ(speed, static_cast<speed_t>(B110));
    EXPECT_FALSE(orvane::StandardSpeed(250000, speed));
    EXPECT_FALSE(orvane::StandardSpeed(0, speed));
}

TEST(SerialOpenErrorOfErrno, NamesWhatTheOperatorCanMend) {
    using orvane::SerialOpenError;
    struct Case {
        int err;
        SerialOpenError error;
    };
    const Case cases[] = {
        {ENOENT, SerialOpenError::NotFound},
        {ENODEV, SerialOpenError::NotFound},
        {ENXIO, SerialOpenError::NotFound},
        {EIO, SerialOpenError::NotFound},
        {EACCES, SerialOpenError::PermissionDenied},
        {EPERM, SerialOpenError::PermissionDenied},
        {EBUSY, SerialOpenError::Busy},
        {EMFILE, SerialOpenError::Other},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(orvane::SerialOpenErrorOfErrno(c.err), c.error) << c.err;
    }
}

}  // namespace
