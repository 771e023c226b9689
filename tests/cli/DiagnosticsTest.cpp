#include "cli/Diagnostics.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace orvane::cli {
namespace {

LinkAttempt Serial(const char* port, size_t index, size_t count, int systemError = 0) {
    LinkAttempt attempt;
    attempt.port = port;
    attempt.index = index;
    attempt.count = count;
    attempt.systemError = systemError;
    return attempt;
}

LinkAttempt Usb(const char* path, size_t probe) {
    LinkAttempt attempt;
    attempt.kind = LinkKind::Usb;
    attempt.port = path;
    attempt.vid = 0x0ACD;
    attempt.pid = 0x3710;
    attempt.index = probe;
    attempt.count = 2;
    return attempt;
}

// Each reason a port or the device did not become the link, with the fix where there is one.
TEST(Diagnostics, SaysWhyEachPortOrDeviceFailed) {
    const std::string rule = InstalledUdevRule();
    struct Case {
        LinkAttempt attempt;
        LinkFault fault;
        bool ruleInstalled;
        std::string text;
    };
    const Case cases[] = {
        {Serial("/dev/ttyS0", 0, 4), LinkFault::NotFound, false,
         "/dev/ttyS0 (port 1 of 4): not found"},
        {Serial("/dev/ttyUSB0", 1, 4, EACCES), LinkFault::PermissionDenied, false,
         "/dev/ttyUSB0 (port 2 of 4): permission denied; add this user to the dialout group "
         "(sudo usermod -aG dialout $USER), then log in again"},
        {Serial("/dev/ttyUSB1", 2, 4, EBUSY), LinkFault::Busy, false,
         "/dev/ttyUSB1 (port 3 of 4): busy (another program holds it)"},
        {Serial("/dev/null", 3, 4, ENOTTY), LinkFault::OpenFailed, false,
         "/dev/null (port 4 of 4): open failed (not a serial port)"},
        {Serial("/dev/ttyS3", 3, 4, EINVAL), LinkFault::OpenFailed, false,
         "/dev/ttyS3 (port 4 of 4): open failed (Invalid argument)"},
        {Serial("/dev/ttyS1", 1, 2), LinkFault::NoAnswer, false,
         "/dev/ttyS1 (port 2 of 2): opened but no answer"},
        {Usb("", 0), LinkFault::NotFound, false,
         "USB 0ACD:3710: not found (no HID device with these ids is present)"},
        {Usb("/dev/hidraw3", 0), LinkFault::PermissionDenied, false,
         "USB 0ACD:3710 at /dev/hidraw3: permission denied; install the udev rule as " + rule +
             " (sudo install -m 644 res/udev/70-orvane.rules /usr/lib/udev/rules.d/, then sudo "
             "udevadm control --reload && sudo udevadm trigger) and plug the device in again"},
        {Usb("/dev/hidraw3", 0), LinkFault::PermissionDenied, true,
         "USB 0ACD:3710 at /dev/hidraw3: permission denied; the udev rule " + rule +
             " is installed but not applied to this device: unplug it and plug it in again "
             "(without a seat, as over ssh, join the plugdev group: sudo usermod -aG plugdev "
             "$USER, then log in again)"},
        {Usb("/dev/hidraw3", 1), LinkFault::NoAnswer, false,
         "USB 0ACD:3710 at /dev/hidraw3: probe 2 of 2: opened but no answer"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DescribeLinkFailure(c.attempt, c.fault, c.ruleInstalled), c.text);
    }
    EXPECT_EQ(rule, "/usr/lib/udev/rules.d/70-orvane.rules");
}

TEST(Diagnostics, NamesTheAttemptAndTheDeviceThatAnswered) {
    EXPECT_EQ(DescribeTrying(Serial("/dev/ttyS0", 0, 3)), "trying /dev/ttyS0 (port 1 of 3)");
    EXPECT_EQ(DescribeTrying(Usb("/dev/hidraw3", 1)),
              "USB 0ACD:3710 at /dev/hidraw3: probe 2 of 2");
    EXPECT_EQ(DescribeAnswer(Serial("/dev/ttyUSB0", 0, 1)), "device answered on /dev/ttyUSB0");
    EXPECT_EQ(DescribeAnswer(Usb("/dev/hidraw3", 0)),
              "device answered on USB 0ACD:3710 at /dev/hidraw3");
}

TEST(Diagnostics, SaysWhichFrameFailedAndWhatCameBack) {
    struct Case {
        SendFailure failure;
        std::string text;
    };
    const Case cases[] = {
        {{5, 0xC7, 0x16, false, ReplyKind::Nothing, 0, 0, 0},
         "frame 5 (command C7, sub-command 16): no reply"},
        {{2, 0xC7, 0x12, false, ReplyKind::Nothing, -1, 0, 0},
         "frame 2 (command C7, sub-command 12): the reply read failed"},
        {{3, 0xC7, 0x13, false, ReplyKind::WrongCommand, 16, 0x18, 0},
         "frame 3 (command C7, sub-command 13): reply of 16 bytes with command 18 instead of C7"},
        {{4, 0xC7, 0x13, false, ReplyKind::WrongCommand, 1, 0, 0},
         "frame 4 (command C7, sub-command 13): reply of 1 byte with command 00 instead of C7"},
        {{2, 0xC7, 0x10, true, ReplyKind::BadStatus, 17, 0xC7, 1},
         "bootloader version query after frame 2 (command C7, sub-command 10): reply status 01 "
         "(0 is success)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DescribeSendFailure(c.failure), c.text);
    }
}

TEST(Diagnostics, SaysHowAnInterruptEndedTheRun) {
    EXPECT_EQ(DescribeInterrupt(Interrupt::Interrupted, 3, 9),
              "download interrupted after 3 of 9 frames; no further frame was sent");
    EXPECT_EQ(DescribeInterrupt(Interrupt::Terminated, 0, 4),
              "download terminated after 0 of 4 frames; no further frame was sent");
    EXPECT_EQ(DescribeInterrupt(Interrupt::Interrupted, -1, 0),
              "interrupted before the download started; nothing was sent");
}

}  // namespace
}  // namespace orvane::cli
