#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "WorkerFixture.h"
#include "platform/EventPump.h"
#include "platform/HidBackend.h"

namespace worktest {
namespace {

using Sleeps = std::vector<uint32_t>;

class LinkProbe : public WorkerFixture {
protected:
    void SetUp() override {
        WorkerFixture::SetUp();
        orvane::SetEventPump([this] { ++pumps; });
    }
    void TearDown() override {
        orvane::SetEventPump({});
        WorkerFixture::TearDown();
    }

    // Selects `kind` and has the device answer every request with `reply` (empty: silence).
    void Answer(int kind, const Bytes& reply) {
        if (kind == 1) {
            UseUsb();
            hid->respond = [reply](const Bytes&) {
                return reply.empty() ? std::vector<Bytes>{} : CutIntoReports(reply);
            };
        } else {
            g_interfaceKind = 0;
            serial->respond = [reply](const Bytes&) { return reply; };
        }
        clock.ClearSleeps();
    }

    // The request as the device received it (USB: joined from its one report).
    Bytes Request(int kind) const {
        if (kind == 0) {
            return serial->writes.empty() ? Bytes{} : serial->writes.front();
        }
        if (hid->written.empty() || hid->written.front()[0] != 1) {
            return {};
        }
        return Bytes(hid->written.front().begin() + 1, hid->written.front().begin() + 17);
    }

    int pumps = 0;
};

TEST_F(LinkProbe, RS232WithoutDeviceFailsAfterOneRead) {
    Answer(0, {});
    EXPECT_FALSE(ProbeLink());
    EXPECT_EQ(clock.Sleeps(), Sleeps{500});
    EXPECT_EQ(serial->reads, 1);
    EXPECT_EQ(clock.NowMs(), 500U + 200);
    EXPECT_EQ(Request(0), Bytes(frame::kLinkProbeRequest.begin(), frame::kLinkProbeRequest.end()));
    EXPECT_EQ(pumps, 0);
}

// The device has 5000 ms from the end of the 500 ms wait; every silent read spends 500 ms and
// each turn pumps the caller's events once.
TEST_F(LinkProbe, UsbWithoutAnswerFailsAtTheDeadline) {
    Answer(1, {});
    const uint64_t start = clock.NowMs();
    EXPECT_FALSE(ProbeLink());
    EXPECT_EQ(clock.Sleeps(), Sleeps{500});
    EXPECT_EQ(clock.NowMs() - start, 500U + 5000);
    EXPECT_EQ(pumps, 10);
    EXPECT_EQ(Request(1), Bytes(frame::kLinkProbeRequest.begin(), frame::kLinkProbeRequest.end()));
}

// A HID device that takes every write and fails every read at once, like one pulled mid-probe.
class DeadHidBackend final : public orvane::IHidBackend {
public:
    class Device final : public orvane::IHidDevice {
    public:
        explicit Device(std::vector<std::string>& events) : m_events(events) {}
        int Write(const uint8_t*, size_t len) override {
            m_events.emplace_back("write");
            return static_cast<int>(len);
        }
        int Read(uint8_t*, size_t, int) override {
            m_events.emplace_back("read");
            return -1;
        }
        uint32_t InputReportLength() const override { return 64; }
        uint32_t OutputReportLength() const override { return 64; }

    private:
        std::vector<std::string>& m_events;
    };
    std::vector<orvane::HidDeviceInfo> Enumerate() override {
        return {{"/dev/hidraw-dead", 0x0ACD, 0x3710, ""}};
    }
    std::unique_ptr<orvane::IHidDevice> OpenPath(const std::string&) override {
        return std::make_unique<Device>(events);
    }
    std::vector<std::string> events;
};

// With nothing to wait on, each turn of the 5000 ms window sleeps 20 ms on the clock instead of
// spinning: the same deadline, the same single request, the same false.
TEST_F(LinkProbe, UsbWaitSleepsWhileTheLinkIsClosedOrItsReadsFailAtOnce) {
    DeadHidBackend dead;
    for (const bool open : {false, true}) {
        SCOPED_TRACE(open ? "reads fail at once" : "link closed");
        g_interfaceKind = 1;
        g_hidLink.SetBackend(&dead);
        if (open) {
            ASSERT_EQ(g_hidLink.Open(kVid, kPid), 1);
        }
        dead.events.clear();
        clock.ClearSleeps();
        pumps = 0;
        // A spinning loop never sees the virtual time move: end it rather than hang.
        orvane::SetEventPump([this] {
            if (++pumps > 1000) {
                clock.RequestStop();
            }
        });
        const uint64_t start = clock.NowMs();

        EXPECT_FALSE(ProbeLink());

        EXPECT_FALSE(clock.StopRequested());
        Sleeps expected{500};
        expected.insert(expected.end(), 250, 20);
        EXPECT_EQ(clock.Sleeps(), expected);
        EXPECT_EQ(clock.NowMs() - start, 500U + 5000);
        EXPECT_EQ(pumps, 251);
        std::vector<std::string> events;
        if (open) {
            events.emplace_back("write");
            events.insert(events.end(), 251, "read");
        }
        EXPECT_EQ(dead.events, events);
        clock.ClearStop();
    }
}

TEST_F(LinkProbe, AnswerIsTheEchoedCommandWhateverItsStatus) {
    struct Case {
        const char* name;
        Bytes reply;
        bool answered;
    };
    const Case cases[] = {
        {"status 1", Message(0x18, 0x01), true},
        {"status 0", Message(0x18, 0x00), true},
        {"other command", Message(0xC7, 0x00), false},
        {"too short to reach byte 10", Bytes(frame::kMagic.begin(), frame::kMagic.end()), false},
    };
    for (int kind : {0, 1}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (kind == 0 ? " on RS232" : " on USB"));
            Answer(kind, c.reply);
            EXPECT_EQ(ProbeLink(), c.answered);
        }
    }
}

TEST_F(LinkProbe, VersionQuery) {
    struct Case {
        const char* name;
        Bytes reply;
        uint32_t capacity;
        bool ok;
        std::string text;  // what lands in the caller's buffer
    };
    Bytes wide = Message(0xC7, 0x00, Bytes(0x104, 'w'));
    std::copy_n("V1.20", 5, wide.begin() + frame::kOffData);
    const Case cases[] = {
        {"five bytes", Message(0xC7, 0x00, {'V', '1', '.', '2', '0'}), 128, true, "V1.20"},
        {"only the low length byte counts", wide, 128, true, "V1.2"},
        {"cut to the caller's buffer", Message(0xC7, 0x00, {'V', '1', '.', '2', '0'}), 3, true,
         "V1."},
        {"empty text", Message(0xC7, 0x00), 128, true, ""},
        {"status 1", Message(0xC7, 0x01, {'V'}), 128, false, ""},
        {"other command", Message(0x18, 0x00, {'V'}), 128, false, ""},
        {"no reply", {}, 128, false, ""},
    };
    for (int kind : {0, 1}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (kind == 0 ? " on RS232" : " on USB"));
            serial->writes.clear();
            hid->written.clear();
            Answer(kind, c.reply);
            std::array<uint8_t, 128> out;
            out.fill(0xEE);
            uint32_t length = 77;

            EXPECT_EQ(QueryBootloaderVersion(out.data(), &length, c.capacity), c.ok);
            EXPECT_EQ(clock.Sleeps(), Sleeps{200});
            if (c.ok) {
                EXPECT_EQ(length, c.text.size());
                EXPECT_EQ(std::string(out.begin(), out.begin() + length), c.text);
            } else {
                EXPECT_EQ(length, 77U);
            }
            EXPECT_EQ(out[c.ok ? length : 0], 0xEE);  // nothing written past the text
            EXPECT_EQ(Request(kind), (Bytes{'Z', 'e', 'n', 't', 'h', 'r', 'a', 'l', '2', 0, 0xC7,
                                            0x10, 0x00, 0x00, 0x65, 0x82}));
        }
    }
}

// On USB the first message ends the wait, even one that is not the reply asked for.
TEST_F(LinkProbe, UsbFirstMessageEndsTheWait) {
    Answer(1, Message(0x18, 0x00));
    const uint64_t start = clock.NowMs();
    uint8_t out[128] = {};
    uint32_t length = 0;
    EXPECT_FALSE(QueryBootloaderVersion(out, &length, sizeof out));
    EXPECT_EQ(clock.NowMs() - start, 200U);
    EXPECT_EQ(pumps, 1);
}

// A stop before the exchange sends nothing; one during its wait leaves the reply unread.
TEST_F(LinkProbe, StopGivesFalse) {
    for (int kind : {0, 1}) {
        for (bool before : {true, false}) {
            SCOPED_TRACE(std::string(kind == 0 ? "RS232" : "USB") +
                         (before ? ", stop before" : ", stop in the wait"));
            serial->writes.clear();
            hid->written.clear();
            hid->input.clear();
            Answer(kind, Message(0x18, 0x00));
            if (before) {
                clock.RequestStop();
            } else {
                clock.SetOnSleep([this](uint32_t) { clock.RequestStop(); });
            }
            EXPECT_FALSE(ProbeLink());
            EXPECT_EQ(serial->writes.size() + hid->written.size(), before ? 0U : 1U);
            EXPECT_EQ(serial->reads, 0);
            EXPECT_EQ(hid->input.size(), kind == 1 && !before ? 1U : 0U);  // still unread
            clock.SetOnSleep(nullptr);
            clock.ClearStop();
        }
    }
}

}  // namespace
}  // namespace worktest
