#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WorkerFixture.h"

namespace worktest {
namespace {

using Sleeps = std::vector<uint32_t>;
using Events = std::vector<std::string>;

const std::string kV12 = "V1.2";

// The device of a USB run: answers the bootloader poll and the version query, and each script
// frame by `frameReply` (called with the 1-based number of the script frame; empty: silence).
struct UsbDevice {
    std::function<Bytes(int frame, const Bytes& report)> frameReply;
    Bytes version = Message(0xC7, 0x00, Bytes(kV12.begin(), kV12.end()));
    bool answerPoll = true;
    int frames = 0;
    int polls = 0;

    std::vector<Bytes> operator()(const Bytes& report) {
        if (report[0] == 1 && report[11] == 0xC7 && report[12] == 0x11) {
            ++polls;
            return answerPoll ? CutIntoReports(Message(0xC7, 0x00)) : std::vector<Bytes>{};
        }
        if (report[0] == 1 && report[11] == 0xC7 && report[12] == 0x10) {
            return version.empty() ? std::vector<Bytes>{} : CutIntoReports(version);
        }
        const Bytes reply = frameReply ? frameReply(++frames, report) : Bytes{};
        return reply.empty() ? std::vector<Bytes>{} : CutIntoReports(reply);
    }
};

Bytes Ack(int, const Bytes&) {
    return Message(0xC7, 0x00);
}

class WorkerUsb : public WorkerFixture {
protected:
    void SetUp() override {
        WorkerFixture::SetUp();
        UseUsb();
        device = std::make_shared<UsbDevice>();
        device->frameReply = Ack;
        hid->respond = [d = device](const Bytes& report) { return (*d)(report); };
    }

    // Script frames as the USB link takes them: message frames cut into reports.
    void WriteUsbFrames(const std::vector<Bytes>& messages) {
        std::vector<Bytes> frames;
        for (const Bytes& message : messages) {
            frames.push_back(ReportCut(message));
        }
        WriteFrames(frames);
    }

    std::shared_ptr<UsbDevice> device;
};

TEST_F(WorkerUsb, PlaysFourFramesWithPollAndVersion) {
    WriteUsbFrames({Message(0xC7, 0x15), Message(0xC7, 0x12), Message(0xC7, 0x13, {1, 2}),
                    Message(0xC7, 0x16)});

    const Sleeps sleeps = Run();

    EXPECT_EQ(window.m_strLog,
              "Enter bootloader mode success!\r\n"
              "Start bootloader.\r\n"
              "BL Version:V1.2\r\n"
              "Start send bootloader command.\r\n"
              "Loading firmware ... Package 1\r\n"
              "Firmware Successfully Downloaded.\r\n");
    EXPECT_EQ(sleeps, (Sleeps{500, 200,                        // frame 1 (0x15: reopen, no wait)
                              200,                             // poll
                              500, 200, 2000, 0, 200, 200, 0,  // frame 2, version line
                              500, 200, 0,                     // frame 3
                              500, 200, 4000}));               // frame 4
    EXPECT_EQ(hid->events, (Events{"write", "open", "read",    // frame 1, reopened
                                   "open", "open", "write", "read",   // frame 1's step, poll
                                   "write", "read", "write", "read",  // frame 2, version
                                   "write", "read",                   // frame 3
                                   "write", "open", "read"}));        // frame 4, reopened
    EXPECT_EQ(window.progress.back(), (std::pair<int, int>{4, 4}));
}

TEST_F(WorkerUsb, WaitsAndReopensByCommand) {
    struct Case {
        uint8_t sub;
        Sleeps tail;    // from frame 3's first wait on
        Events events;  // from frame 3's write on
    };
    const Case cases[] = {
        {0x12, {500, 200, 2000, 0}, {"write", "read"}},
        {0x13, {500, 200, 0}, {"write", "read"}},
        {0x15, {500, 200, 0}, {"write", "open", "read"}},
        {0x16, {500, 200, 4000, 0}, {"write", "open", "read"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sub);
        device->frames = 0;
        WriteUsbFrames({Message(0xC7, 0x13), Message(0xC7, 0x13), Message(0xC7, c.sub)});
        hid->events.clear();
        const Sleeps sleeps = Run();

        ASSERT_GE(sleeps.size(), c.tail.size());
        EXPECT_EQ(Sleeps(sleeps.end() - static_cast<long>(c.tail.size()), sleeps.end()), c.tail);
        ASSERT_GE(hid->events.size(), c.events.size());
        EXPECT_EQ(Events(hid->events.end() - static_cast<long>(c.events.size()), hid->events.end()),
                  c.events);
        EXPECT_EQ(window.m_strLog.substr(window.m_strLog.rfind("Start send")),
                  "Start send bootloader command.\r\nFirmware Successfully Downloaded.\r\n");
    }
}

// A reply that comes only at the fourth ReadMessage call is used; 200 ms lie after the second
// and the third call, none after the first.
TEST_F(WorkerUsb, ReplyAtTheFourthReadIsUsed) {
    device->frameReply = [this](int frame, const Bytes&) {
        if (frame != 2) {
            return Message(0xC7, 0x00);
        }
        // Written at t; silent calls end at t+200+500, +500, +200+500, then a 200 wait.
        for (const Bytes& r : CutIntoReports(Message(0xC7, 0x00))) {
            hid->scheduled.emplace_back(clock.NowMs() + 200 + 500 + 500 + 200 + 500 + 100, r);
        }
        return Bytes{};
    };
    WriteUsbFrames({Message(0xC7, 0x13), Message(0xC7, 0x13)});

    const Sleeps sleeps = Run();

    EXPECT_EQ(sleeps, (Sleeps{500, 200, 200, 500, 200, 200, 200, 0, 200, 200, 0}));
    EXPECT_EQ(window.m_strLog,
              "Enter bootloader mode success!\r\nStart bootloader.\r\nBL Version:V1.2\r\n"
              "Firmware Successfully Downloaded.\r\n");
}

// Frame 1 unanswered: eleven reads, 200 ms after each of the ten further ones, and the
// bootloader line all the same.
TEST_F(WorkerUsb, FrameOneWithoutReplyStillEntersTheBootloader) {
    device->frameReply = [](int frame, const Bytes&) {
        return frame == 1 ? Bytes{} : Message(0xC7, 0x00);
    };
    WriteUsbFrames({Message(0xC7, 0x15)});

    const uint64_t start = clock.NowMs();
    const Sleeps sleeps = Run();

    Sleeps expected{500, 200};
    expected.insert(expected.end(), 10, 200);
    expected.push_back(200);  // the poll
    EXPECT_EQ(sleeps, expected);
    // 11 silent reads of 500 ms each, around 500 + 200 + 10 * 200 + 200 of waits.
    EXPECT_EQ(clock.NowMs() - start, 500U + 200 + 11 * 500 + 10 * 200 + 200);
    EXPECT_EQ(window.m_strLog,
              "Enter bootloader mode success!\r\nFirmware Successfully Downloaded.\r\n");
}

// A silent bootloader: each attempt reopens, writes, waits 200 and reads 500 ms in vain; after
// the ninth attempt 6.3 s have passed, more than 5 whole seconds, and the run goes on quietly.
TEST_F(WorkerUsb, PollGivesUpAfterSixWholeSeconds) {
    device->answerPoll = false;
    WriteUsbFrames({Message(0xC7, 0x15), Message(0xC7, 0x13)});

    uint64_t pollStart = 0;
    uint64_t frameTwoSent = 0;
    window.onRefresh = [&](size_t refresh) {
        if (refresh == 1) {
            pollStart = clock.NowMs();  // the poll starts right after this line
        }
    };
    device->frameReply = [&](int frame, const Bytes&) {
        if (frame == 2) {
            frameTwoSent = clock.NowMs();
        }
        return Message(0xC7, 0x00);
    };
    const Sleeps sleeps = Run();

    EXPECT_EQ(device->polls, 9);
    EXPECT_EQ(hid->opens, 1 + 1 + 9);  // after frame 1's 0x15, after its step, each attempt
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 200U), 1 + 9 + 1 + 2);
    EXPECT_EQ(frameTwoSent - pollStart, 9U * (200 + 500) + 500);
    EXPECT_EQ(window.m_strLog,
              "Enter bootloader mode success!\r\nStart bootloader.\r\nBL Version:V1.2\r\n"
              "Firmware Successfully Downloaded.\r\n");
}

// The poll looks at the counter after each silent attempt and gives up once more than 5 whole
// seconds have passed: an attempt ending at exactly 6000 ms is the last, one ending at 5999 ms
// is not. The device search of each attempt's reopen takes the time that sets its length.
TEST_F(WorkerUsb, PollGivesUpAtTheFirstLookAtOrPast6000Ms) {
    struct Case {
        const char* name;
        uint64_t firstAttemptMs;
        uint64_t attemptMs;  // each further attempt
        int polls;
        uint64_t givesUpAtMs;
    };
    const Case cases[] = {
        {"attempts end at 1000, 2000, ..., 6000 ms", 1000, 1000, 6, 6000},
        {"an attempt ends at 5999 ms", 999, 1000, 7, 6999},
        {"the first attempt ends at 6000 ms", 6000, 1000, 1, 6000},
    };
    constexpr uint64_t kSilentAttemptMs = 200 + 500;  // the wait after the write, a silent read
    device->answerPoll = false;
    WriteUsbFrames({Message(0xC7, 0x13), Message(0xC7, 0x13)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->polls = 0;
        device->frames = 0;
        hid->opens = 0;
        // Open 1 is frame 1's reopen, before the poll starts; every later one opens an attempt.
        hid->present = [&](int open) {
            if (open >= 2) {
                clock.Advance((open == 2 ? c.firstAttemptMs : c.attemptMs) - kSilentAttemptMs);
            }
            return true;
        };
        uint64_t pollStart = 0;
        uint64_t frameTwoSent = 0;
        window.onRefresh = [&](size_t refresh) {
            if (refresh == 1) {
                pollStart = clock.NowMs();  // the poll starts right after this line
            }
        };
        device->frameReply = [&](int frame, const Bytes&) {
            if (frame == 2) {
                frameTwoSent = clock.NowMs();
            }
            return Message(0xC7, 0x00);
        };
        window.refreshed.clear();

        Run();

        EXPECT_EQ(device->polls, c.polls);
        EXPECT_EQ(frameTwoSent - pollStart, c.givesUpAtMs + 500);  // frame 2 waits 500 first
        EXPECT_EQ(window.m_strLog,
                  "Enter bootloader mode success!\r\nStart bootloader.\r\nBL Version:V1.2\r\n"
                  "Firmware Successfully Downloaded.\r\n");
    }
    window.onRefresh = nullptr;
    hid->present = [](int) { return true; };
    device->frameReply = Ack;
}

// The device leaves the bus after frame 1 and comes back at the third poll attempt.
TEST_F(WorkerUsb, PollReopensUntilTheDeviceReturns) {
    hid->present = [](int open) { return open >= 4; };
    WriteUsbFrames({Message(0xC7, 0x13), Message(0xC7, 0x13)});

    const Sleeps sleeps = Run();

    EXPECT_EQ(device->polls, 1);
    EXPECT_EQ(Events(hid->events.begin(), hid->events.begin() + 8),
              (Events{"write", "read", "open-absent", "open-absent", "open-absent", "open", "write",
                      "read"}));
    EXPECT_EQ(Sleeps(sleeps.begin(), sleeps.begin() + 5), (Sleeps{500, 200, 200, 200, 200}));
    EXPECT_NE(window.m_strLog.find("Start bootloader.\r\n"), std::string::npos);
}

TEST_F(WorkerUsb, VersionLine) {
    struct Case {
        const char* name;
        Bytes reply;
        std::string log;  // after "Start bootloader.\r\n"
    };
    const Bytes longText(200, 'x');
    const std::string rest =
        "Start send bootloader command.\r\nFirmware Successfully Downloaded.\r\n";
    const Case cases[] = {
        {"empty version", Message(0xC7, 0x00), "BL Version:\r\n" + rest},
        {"longer than the 128-byte buffer", Message(0xC7, 0x00, longText),
         "BL Version:" + std::string(128, 'x') + "\r\n" + rest},
        {"failed query", Message(0xC7, 0x01, {'V'}), "Send command fail.\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device->frames = 0;
        device->version = c.reply;
        WriteUsbFrames({Message(0xC7, 0x13), Message(0xC7, 0x13), Message(0xC7, 0x13)});
        Run();
        const std::string head = "Enter bootloader mode success!\r\nStart bootloader.\r\n";
        EXPECT_EQ(window.m_strLog, head + c.log);
        EXPECT_EQ(device->frames, c.log == "Send command fail.\r\n" ? 2 : 3);
    }
}

// A failed version query is named as such, with what the device sent back to it; the USB run
// announces its bootloader poll as its long wait.
TEST_F(WorkerUsb, VersionQueryFailureAndThePollAreReported) {
    device->version = Message(0xC7, 0x01, {'V'});
    WriteUsbFrames({Message(0xC7, 0x13), Message(0xC7, 0x12), Message(0xC7, 0x13)});
    Run();
    ASSERT_EQ(window.sendFailures.size(), 1U);
    const orvane::SendFailure& f = window.sendFailures[0];
    EXPECT_TRUE(f.versionQuery);
    EXPECT_EQ(f.frame, 2);
    EXPECT_EQ(f.command, 0xC7);
    EXPECT_EQ(f.sub, 0x10);
    EXPECT_EQ(f.reply, orvane::ReplyKind::BadStatus);
    EXPECT_EQ(f.replyBytes, 17);
    EXPECT_EQ(f.replyStatus, 0x01);
    EXPECT_EQ(window.timeline, (Events{
                                   "progress 0/3",
                                   "exchange 1",
                                   "wait device restarting into its bootloader 5000 at 1",
                                   "progress 1/3",
                                   "wait erasing 2000 at 2",
                                   "exchange 2",
                               }));
}

// An empty block sends nothing on USB and otherwise runs as frame 1.
TEST_F(WorkerUsb, EmptyFrameSendsNothing) {
    WriteScript("SEND: SLEEP\nEND>\n\n");

    const Sleeps sleeps = Run();

    EXPECT_EQ(device->frames, 0);
    EXPECT_EQ(device->polls, 1);
    EXPECT_EQ(Sleeps(sleeps.begin(), sleeps.begin() + 2), (Sleeps{500, 200}));
    EXPECT_EQ(window.m_strLog,
              "Enter bootloader mode success!\r\nFirmware Successfully Downloaded.\r\n");
    EXPECT_EQ(window.progress, (std::vector<std::pair<int, int>>{{0, 1}, {1, 1}}));
}

TEST_F(WorkerUsb, StopDuringThePollEndsTheRun) {
    device->answerPoll = false;
    WriteUsbFrames({Message(0xC7, 0x13), Message(0xC7, 0x13)});
    size_t sleepsSeen = 0;
    clock.SetOnSleep([&](uint32_t) {
        if (++sleepsSeen == 5) {  // the third attempt's 200 ms
            clock.RequestStop();
        }
    });

    const Sleeps sleeps = Run();

    EXPECT_EQ(sleeps, (Sleeps{500, 200, 200, 200, 200}));
    EXPECT_EQ(device->polls, 3);
    EXPECT_EQ(device->frames, 1);
    EXPECT_EQ(window.m_strLog, "Enter bootloader mode success!\r\n");
}

}  // namespace
}  // namespace worktest
