#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WorkerFixture.h"

namespace worktest {
namespace {

using Sleeps = std::vector<uint32_t>;
using Events = std::vector<std::string>;

const Bytes kAck = Message(0xC7, 0x00);

// The device answers every frame whose command is 0xC7 with command 0xC7 and status 0.
Bytes AckBootloaderFrames(const Bytes& written) {
    return written.size() > 10 && written[10] == 0xC7 ? kAck : Bytes{};
}

// A frame as the golden four-frame script writes it (header only, no CRC).
Bytes Header(uint8_t command, uint8_t sub, const Bytes& data = {}) {
    Bytes m = Message(command, sub, data);
    m.resize(m.size() - 2);
    return m;
}

class WorkerRs232 : public WorkerFixture {};

TEST_F(WorkerRs232, PlaysTheFourFrameScript) {
    serial->respond = [](const Bytes& written) {
        return written[10] == 0x18 ? Message(0x18, 0x05) : AckBootloaderFrames(written);
    };
    window.m_strFilePath = std::string(ORVANE_TEST_DATA_DIR) + "/scripts/four-frames.txt";
    window.m_strLog = "Open COM3 success.\r\n";

    const Sleeps sleeps = Run();

    EXPECT_EQ(serial->writes,
              (std::vector<Bytes>{Header(0x18, 0x01), Header(0xC7, 0x12),
                                  Header(0xC7, 0x13, {0xAB, 0xCD}), Header(0xC7, 0x16)}));
    // 500 after each write; 5000 after frame 1's reply; 2000 more for 0x12, 4000 for 0x16;
    // a yield after the bootloader lines.
    EXPECT_EQ(sleeps, (Sleeps{500, 5000, 500, 2000, 0, 500, 0, 500, 4000}));
    EXPECT_EQ(window.m_strLog,
              "Start bootloader.\r\n"
              "Start send bootloader command.\r\n"
              "Loading firmware ... Package 1\r\n"
              "Firmware Successfully Downloaded.\r\n");
    // One refresh per line, each seeing the log up to its line.
    ASSERT_EQ(window.refreshed.size(), 4U);
    EXPECT_EQ(window.refreshed[0], "Start bootloader.\r\n");
    EXPECT_EQ(window.refreshed[3], window.m_strLog);
    EXPECT_EQ(window.progress,
              (std::vector<std::pair<int, int>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}));
    EXPECT_TRUE(g_serialLink.IsOpen());
}

// The waits of one frame by its command and sub-command, in order with the write and the reply
// read; frame 1 adds its 5000 ms after the read. Each frame is tried as frame 1 and as frame 4.
TEST_F(WorkerRs232, WaitsByCommandAroundTheReplyRead) {
    struct Case {
        uint8_t command;
        uint8_t sub;
        Events waits;  // between the write and the reply read
    };
    const Case cases[] = {
        {0xC7, 0x12, {"wait 500", "wait 2000"}},
        {0xC7, 0x15, {"wait 500", "wait 2000"}},
        {0xC7, 0x16, {"wait 500", "wait 4000"}},
        {0xC7, 0x10, {"wait 500"}},
        {0xC7, 0x11, {"wait 500"}},
        {0xC7, 0x13, {"wait 500"}},
        {0xC7, 0x17, {"wait 500"}},
        {0x18, 0x12, {"wait 500"}},
        {0x18, 0x15, {"wait 500"}},
        {0xC6, 0x16, {"wait 500"}},
    };
    clock.SetOnSleep(
        [this](uint32_t ms) { serial->events.push_back("wait " + std::to_string(ms)); });
    serial->respond = [](const Bytes&) { return kAck; };
    const Bytes next = Message(0xC7, 0x13);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << "command 0x" << int{c.command} << " sub 0x" << int{c.sub});
        const Bytes frame = Message(c.command, c.sub);
        Events exchange{"write"};
        exchange.insert(exchange.end(), c.waits.begin(), c.waits.end());
        exchange.insert(exchange.end(), {"read", "silent"});

        serial->events.clear();
        WriteFrames({frame});
        Run();
        Events expected = exchange;
        expected.push_back("wait 5000");
        EXPECT_EQ(serial->events, expected) << "as frame 1";

        serial->events.clear();
        WriteFrames({Message(0x18, 0x01), next, next, frame});
        Run();
        const auto fourth = std::find(serial->events.rbegin(), serial->events.rend(), "write");
        EXPECT_EQ(Events(fourth.base() - 1, serial->events.end()), exchange) << "as frame 4";
        EXPECT_EQ(std::count(serial->events.begin(), serial->events.end(), "write"), 4);
        EXPECT_EQ(window.m_strLog.substr(window.m_strLog.rfind("Start send")),
                  "Start send bootloader command.\r\nLoading firmware ... Package 1\r\n"
                  "Firmware Successfully Downloaded.\r\n");
    }
    clock.SetOnSleep(nullptr);
}

TEST_F(WorkerRs232, FailedReplyAtFrameTwoEndsBeforeFrameThree) {
    serial->respond = [](const Bytes& written) {
        return written[10] == 0xC7 ? Message(0xC7, 0x01) : Bytes{};
    };
    WriteFrames({Message(0x18, 0x01), Message(0xC7, 0x13), Message(0xC7, 0x13)});

    const Sleeps sleeps = Run();

    EXPECT_EQ(serial->writes.size(), 2U);
    EXPECT_EQ(window.m_strLog, "Send command fail.\r\n");
    EXPECT_EQ(sleeps, (Sleeps{500, 5000, 500}));
}

// 0xC7/0x16 is taken as answered from frame 4 on, but checked like any frame before.
TEST_F(WorkerRs232, FinishFrameNeedsNoReplyFromFrameFourOn) {
    struct Case {
        const char* name;
        std::vector<Bytes> frames;
        std::string log;
        size_t writes;
    };
    const Bytes f1 = Message(0x18, 0x01);
    const Bytes next = Message(0xC7, 0x13);
    const Bytes finish = Message(0xC7, 0x16);
    const Case cases[] = {
        {"counter 5",
         {f1, next, next, next, finish, next},
         "Start bootloader.\r\nStart send bootloader command.\r\n"
         "Loading firmware ... Package 1\r\nLoading firmware ... Package 2\r\n"
         "Loading firmware ... Package 3\r\nFirmware Successfully Downloaded.\r\n",
         6},
        {"counter 3", {f1, next, finish, next}, "Start bootloader.\r\nSend command fail.\r\n", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        serial->writes.clear();
        // Silent on the finish frame, and a failing status would not matter there either.
        serial->respond = [](const Bytes& written) {
            return written[11] == 0x16 ? Bytes{} : AckBootloaderFrames(written);
        };
        WriteFrames(c.frames);
        Run();
        EXPECT_EQ(window.m_strLog, c.log);
        EXPECT_EQ(serial->writes.size(), c.writes);
    }
}

// An empty block counts as a frame and runs its waits and read without writing anything; a
// closing keyword on the next line sends one more byte 0x00 behind the CRC.
TEST_F(WorkerRs232, EmptyFrameCountsAndLineEndAddsAByte) {
    serial->respond = AckBootloaderFrames;
    const Bytes second = Message(0xC7, 0x13);
    WriteScript("SEND:SLEEP\nSEND:" + Hex(second) + "\nWAIT\nEND>\n\n");

    const Sleeps sleeps = Run();

    Bytes expected = second;
    expected.push_back(0x00);
    EXPECT_EQ(serial->writes, (std::vector<Bytes>{expected}));
    EXPECT_EQ(serial->events, (std::vector<std::string>{"silent", "write", "read", "silent"}));
    EXPECT_EQ(sleeps, (Sleeps{500, 5000, 500, 0}));
    EXPECT_EQ(window.m_strLog, "Start bootloader.\r\nFirmware Successfully Downloaded.\r\n");
}

TEST_F(WorkerRs232, EndsWithoutSendingAnything) {
    struct Case {
        const char* name;
        const char* script;  // nullptr: no such file
        int interfaceKind;
        std::string log;
    };
    const Case cases[] = {
        {"missing file", nullptr, 0, "Read file fail.\r\n"},
        {"unclosed block", "SEND:01 SLEEP\nSEND:0102\n\n\n\n\n\n", 0, "Read file fail.\r\n"},
        {"no frame block", "; nothing to send\n", 0, "Read file fail.\r\n"},
        {"five bytes", "SEND:", 0, "Read file fail.\r\n"},
        {"empty file", "", 0, "Read file fail.\r\n"},
        {"unknown link kind", "SEND:0102 SLEEP\nEND>\n\n", 2,
         "Firmware Successfully Downloaded.\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.script != nullptr) {
            WriteScript(c.script);
        } else {
            window.m_strFilePath = std::string(ORVANE_TEST_DATA_DIR) + "/scripts/none.txt";
        }
        g_interfaceKind = c.interfaceKind;
        window.m_strLog = "Open COM1 success.\r\n";
        window.refreshed.clear();
        serial->writes.clear();
        serial->reads = 0;

        EXPECT_EQ(Run(), Sleeps{});
        EXPECT_TRUE(serial->writes.empty());
        EXPECT_EQ(serial->reads, 0);
        EXPECT_EQ(window.m_strLog, c.log);
        EXPECT_EQ(window.refreshed, (std::vector<std::string>{c.log}));
    }
}

// Beside the log the window hears of each exchange, each long wait and the progress, which
// counts an exchange once its reply was read and passed, not when its frame was written.
TEST_F(WorkerRs232, ReportsExchangesLongWaitsAndCompletedProgress) {
    serial->respond = [](const Bytes& written) {
        return written[10] == 0x18 ? Message(0x18, 0x05) : AckBootloaderFrames(written);
    };
    window.m_strFilePath = std::string(ORVANE_TEST_DATA_DIR) + "/scripts/four-frames.txt";
    Run();
    EXPECT_EQ(window.timeline, (Events{
                                   "progress 0/4",
                                   "exchange 1",
                                   "wait device restarting into its bootloader 5000 at 1",
                                   "progress 1/4",
                                   "wait erasing 2000 at 2",
                                   "exchange 2",
                                   "progress 2/4",
                                   "exchange 3",
                                   "progress 3/4",
                                   "wait finishing 4000 at 4",
                                   "exchange 4",
                                   "progress 4/4",
                               }));
    ASSERT_EQ(window.exchanges.size(), 4U);
    const orvane::ExchangeRecord& erase = window.exchanges[1];
    EXPECT_EQ(erase.frame, 2);
    EXPECT_EQ(erase.command, 0xC7);
    EXPECT_EQ(erase.sub, 0x12);
    EXPECT_EQ(erase.sentBytes, 14U);
    EXPECT_EQ(erase.replyBytes, 16);
    EXPECT_EQ(erase.replyCommand, 0xC7);
    EXPECT_EQ(erase.replyStatus, 0x00);
    // The waits, then the reply read, which ends with one silent 200 ms platform read.
    EXPECT_EQ(erase.elapsedMs, 500U + 2000 + 200);
    EXPECT_EQ(window.exchanges[0].replyCommand, 0x18);
    EXPECT_TRUE(window.sendFailures.empty());
    EXPECT_TRUE(window.readFailures.empty());
}

// On "Send command fail." the window learns which frame failed and what came back.
TEST_F(WorkerRs232, SendFailureNamesTheFrameAndWhatCameBack) {
    struct Case {
        const char* name;
        Bytes reply;  // to the frame that fails
        int frame;
        orvane::ReplyKind kind;
        int32_t bytes;
        uint8_t command;
        uint8_t status;
    };
    const Case cases[] = {
        {"nothing", {}, 2, orvane::ReplyKind::Nothing, 0, 0, 0},
        {"another command", Message(0x18, 0x00), 2, orvane::ReplyKind::WrongCommand, 16, 0x18, 0},
        {"a failing status", Message(0xC7, 0x03), 3, orvane::ReplyKind::BadStatus, 16, 0xC7, 3},
        {"one byte", {0x06}, 4, orvane::ReplyKind::WrongCommand, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int frames = 0;
        serial->respond = [&](const Bytes&) { return ++frames == c.frame ? c.reply : kAck; };
        WriteFrames({Message(0xC7, 0x13), Message(0xC7, 0x13), Message(0xC7, 0x14),
                     Message(0xC7, 0x15), Message(0xC7, 0x13)});
        window.progress.clear();
        window.sendFailures.clear();
        Run();
        EXPECT_TRUE(window.m_strLog.ends_with("Send command fail.\r\n"));
        ASSERT_EQ(window.sendFailures.size(), 1U);
        const orvane::SendFailure& f = window.sendFailures[0];
        EXPECT_EQ(f.frame, c.frame);
        EXPECT_EQ(f.command, 0xC7);
        EXPECT_EQ(f.sub, c.frame == 3 ? 0x14 : c.frame == 4 ? 0x15 : 0x13);
        EXPECT_FALSE(f.versionQuery);
        EXPECT_EQ(f.reply, c.kind);
        EXPECT_EQ(f.replyBytes, c.bytes);
        EXPECT_EQ(f.replyCommand, c.command);
        EXPECT_EQ(f.replyStatus, c.status);
        // The failed frame went out but its exchange is not counted as done.
        EXPECT_EQ(window.progress.back(), (std::pair<int, int>{c.frame - 1, 5}));
    }
}

// On "Read file fail." the window learns why: the system's reason, or the refused block.
TEST_F(WorkerRs232, ReadFailureSaysWhy) {
    struct Case {
        const char* name;
        const char* script;  // nullptr: no such file
        bool readable;
        const char* reason;
        uint64_t block;
        uint64_t line;
    };
    const Case cases[] = {
        {"missing file", nullptr, false, "No such file or directory", 0, 0},
        {"unclosed block", "SEND:01 SLEEP\nSEND:0102\n\n\n\n\n\n", true,
         "block 2 (line 2): frame block not closed by SLEEP or WAIT", 2, 2},
        {"prose", "Release notes\nfixed the fan\n", true,
         "no frame block (SEND: ... SLEEP or WAIT): none in the file", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.script != nullptr) {
            WriteScript(c.script);
        } else {
            window.m_strFilePath = std::string(ORVANE_TEST_DATA_DIR) + "/scripts/none.txt";
        }
        window.readFailures.clear();
        Run();
        EXPECT_EQ(window.m_strLog, "Read file fail.\r\n");
        ASSERT_EQ(window.readFailures.size(), 1U);
        const orvane::ReadFailure& f = window.readFailures[0];
        EXPECT_EQ(f.path, window.m_strFilePath);
        EXPECT_EQ(f.readable, c.readable);
        EXPECT_EQ(f.reason, c.reason);
        EXPECT_EQ(f.check.block, c.block);
        EXPECT_EQ(f.check.line, c.line);
        EXPECT_TRUE(serial->writes.empty());
    }
}

// After a stop the worker writes no frame, appends no line and waits no more, wherever the stop
// falls: inside a wait, inside a reply read, at a yield, or while the window refreshes.
TEST_F(WorkerRs232, StopEndsTheRunAtOnce) {
    struct Case {
        const char* name;
        size_t stopAtSleep;    // 1-based; 0: not by a wait
        size_t stopAtRefresh;  // 1-based; 0: not by a refresh
        int stopAtRead;        // 1-based; 0: not by a read
        size_t writes;
        std::string log;
        Sleeps sleeps;
    };
    const std::string both = "Start bootloader.\r\nStart send bootloader command.\r\n";
    const Case cases[] = {
        // name, stop at sleep / refresh / read, writes, log, waits
        {"during frame 1's 5000", 2, 0, 0, 1, "", {500, 5000}},
        {"during the erase wait", 4, 0, 0, 2, "", {500, 5000, 500, 2000}},
        {"during frame 2's reply read", 0, 0, 3, 2, "", {500, 5000, 500, 2000}},
        {"at the yield", 5, 0, 0, 2, "Start bootloader.\r\n", {500, 5000, 500, 2000, 0}},
        {"during a refresh", 0, 2, 0, 3, both, {500, 5000, 500, 2000, 0, 500}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clock.ClearStop();
        serial->writes.clear();
        serial->respond = AckBootloaderFrames;
        WriteFrames(
            {Message(0x18, 0x01), Message(0xC7, 0x12), Message(0xC7, 0x13), Message(0xC7, 0x13)});
        size_t sleepsSeen = 0;
        clock.SetOnSleep([&](uint32_t) {
            if (++sleepsSeen == c.stopAtSleep) {
                clock.RequestStop();
            }
        });
        window.onRefresh = [&](size_t refresh) {
            if (refresh == c.stopAtRefresh) {
                clock.RequestStop();
            }
        };
        serial->reads = 0;
        serial->onRead = [&](int read) {
            if (read == c.stopAtRead) {
                clock.RequestStop();
            }
        };
        window.refreshed.clear();

        EXPECT_EQ(Run(), c.sleeps);
        EXPECT_EQ(serial->writes.size(), c.writes);
        EXPECT_EQ(window.m_strLog, c.log);
        clock.SetOnSleep(nullptr);
        window.onRefresh = nullptr;
        serial->onRead = nullptr;
    }
}

}  // namespace
}  // namespace worktest
