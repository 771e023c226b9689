// Reading reports with a wait, and joining them into messages.
#include <gtest/gtest.h>

#include <vector>

#include "FakeHidBackend.h"
#include "link/Crc16.h"
#include "link/HidLink.h"
#include "link/MessageFrame.h"

namespace {

constexpr uint32_t kSlice = CHidLink::kReadSliceMs;

using hidtest::FakeHidBackend;
using hidtest::MakeReport;
using hidtest::Report;

constexpr uint16_t kVid = 0x0ACD;
constexpr uint16_t kPid = 0x3710;

// A sealed reply frame with `length` data bytes.
std::vector<uint8_t> Frame(uint32_t length, uint8_t command = 0xC7) {
    std::vector<uint8_t> f(frame::kMagic.begin(), frame::kMagic.end());
    f.push_back(command);
    f.push_back(0);
    f.push_back(static_cast<uint8_t>(length >> 8));
    f.push_back(static_cast<uint8_t>(length & 0xFF));
    for (uint32_t i = 0; i < length; ++i) {
        f.push_back(static_cast<uint8_t>(0xA0 + i % 0x50));
    }
    const auto count = static_cast<uint32_t>(f.size());
    f.push_back(Crc16High(f.data(), count));
    f.push_back(Crc16Low(f.data(), count));
    return f;
}

// The reports a sender cuts `message` into (the device cuts its replies as the link does).
std::vector<Report> Cut(const std::vector<uint8_t>& message) {
    FakeHidBackend sender;
    auto state = sender.Add("/dev/hidraw9", 1, 1);
    CHidLink link(&sender);
    link.Open(1, 1);
    link.WriteMessage(message.data(), static_cast<uint32_t>(message.size()));
    return state->written;
}

class HidLinkReadTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvane::SetClock(&m_clock);
        m_state = m_backend.Add("/dev/hidraw0", kVid, kPid, &m_clock);
        ASSERT_EQ(m_link.Open(kVid, kPid), 1);
    }
    void TearDown() override { orvane::SetClock(nullptr); }

    void Queue(const std::vector<Report>& reports) {
        for (const Report& r : reports) {
            m_state->Queue(r);
        }
    }

    // ReadMessage into a destination pre-filled with 0xEE.
    uint32_t Read(uint32_t capacity = CHidLink::kMessageMax) {
        m_dest.assign(CHidLink::kMessageMax + 1, 0xEE);  // one spare byte shows overruns
        uint32_t count = 12345;
        const uint32_t result = m_link.ReadMessage(m_dest.data(), &count, capacity);
        EXPECT_EQ(result, count);
        return count;
    }

    bool DestUntouched() const { return m_dest == std::vector<uint8_t>(m_dest.size(), 0xEE); }

    orvane::VirtualClock m_clock;
    FakeHidBackend m_backend;
    std::shared_ptr<hidtest::FakeDeviceState> m_state;
    CHidLink m_link{&m_backend};
    std::vector<uint8_t> m_dest;
};

TEST_F(HidLinkReadTest, SilentReportReadTakesItsWholeWaitInSlices) {
    uint8_t report[64];
    std::fill(std::begin(report), std::end(report), 0xEE);
    EXPECT_EQ(m_link.ReadReport(report, 500), 1);
    EXPECT_EQ(report[0], 0);
    EXPECT_TRUE(std::all_of(report + 1, report + 64, [](uint8_t b) { return b == 0xEE; }));
    EXPECT_EQ(m_clock.NowMs(), 500U);
    EXPECT_EQ(m_state->readTimeouts, std::vector<int>(500 / kSlice, kSlice));
    EXPECT_TRUE(m_clock.Sleeps().empty());
}

TEST_F(HidLinkReadTest, ReportThatArrivesWithinTheWaitIsTaken) {
    m_state->onSilentRead = [this](size_t silent) {
        if (silent == 3) {
            m_state->Queue(MakeReport(1, {0x42}));
        }
    };
    uint8_t report[64] = {};
    EXPECT_EQ(m_link.ReadReport(report, 500), 1);
    EXPECT_EQ(report[0], 1);
    EXPECT_EQ(report[1], 0x42);
    EXPECT_EQ(m_clock.NowMs(), 3U * kSlice);
}

TEST_F(HidLinkReadTest, ReadFailures) {
    struct {
        size_t silentBefore;  // silent slices before the read fails
        int result;
    } const cases[] = {{0, 0}, {4, 1}};
    for (const auto& c : cases) {
        m_state->silentReads = 0;
        m_state->onSilentRead = [this, c](size_t silent) {
            if (silent == c.silentBefore) {
                m_state->QueueFailure();
            }
        };
        if (c.silentBefore == 0) {
            m_state->QueueFailure();
        }
        const uint64_t start = m_clock.NowMs();
        uint8_t report[64] = {7};
        EXPECT_EQ(m_link.ReadReport(report, 500), c.result) << c.silentBefore;
        EXPECT_EQ(report[0], 0);
        EXPECT_EQ(m_clock.NowMs() - start, kSlice * c.silentBefore);
    }
}

TEST_F(HidLinkReadTest, StopRequestEndsTheWaitWithinOneSlice) {
    m_state->onSilentRead = [this](size_t silent) {
        if (silent == 3) {
            m_clock.RequestStop();
        }
    };
    uint8_t report[64] = {};
    EXPECT_EQ(m_link.ReadReport(report, 500), 0);
    EXPECT_EQ(m_clock.NowMs(), 3U * kSlice);
    EXPECT_EQ(m_state->readTimeouts.size(), 3U);

    // A message read stops as well.
    EXPECT_EQ(Read(), 0U);
    EXPECT_EQ(m_clock.NowMs(), 3U * kSlice);  // no further slice once stopped
    m_clock.ClearStop();
}

TEST_F(HidLinkReadTest, NothingWithinTheWaitGivesCountZeroAfterOneRead) {
    EXPECT_EQ(Read(), 0U);
    EXPECT_TRUE(DestUntouched());
    EXPECT_EQ(m_clock.NowMs(), 500U);
    EXPECT_EQ(m_state->readTimeouts.size(), 500U / kSlice);  // the slices of a single 500 ms read
}

struct JoinCase {
    uint32_t length;  // L
    size_t reports;
};

class HidLinkJoinTest : public HidLinkReadTest, public ::testing::WithParamInterface<JoinCase> {};

TEST_P(HidLinkJoinTest, JoinsWhatTheSenderCut) {
    const std::vector<uint8_t> frame = Frame(GetParam().length);
    const std::vector<Report> reports = Cut(frame);
    ASSERT_EQ(reports.size(), GetParam().reports);
    Queue(reports);
    ASSERT_EQ(Read(), frame.size());
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), m_dest.begin()));
    EXPECT_EQ(m_dest[frame.size()], 0xEE);  // nothing past the count
    EXPECT_EQ(m_clock.NowMs(), 0U);
}

INSTANTIATE_TEST_SUITE_P(Lengths, HidLinkJoinTest,
                         ::testing::Values(JoinCase{0, 1}, JoinCase{47, 1}, JoinCase{48, 2},
                                           JoinCase{110, 2}, JoinCase{111, 3}, JoinCase{1008, 17}));

TEST_F(HidLinkReadTest, OnlyReportWithPayloadByteNineSetGivesFifteenBytes) {
    std::vector<uint8_t> payload = Frame(40);
    payload[9] = 0x33;
    m_state->Queue(MakeReport(1, payload));
    ASSERT_EQ(Read(), 15U);
    EXPECT_TRUE(std::equal(payload.begin(), payload.begin() + 15, m_dest.begin()));
}

TEST_F(HidLinkReadTest, LastReportWithNothingBeforeItGivesSixteenBytes) {
    const std::vector<uint8_t> payload = Frame(5);  // its length field is not looked at
    m_state->Queue(MakeReport(4, payload));
    ASSERT_EQ(Read(), 16U);
    EXPECT_TRUE(std::equal(payload.begin(), payload.begin() + 16, m_dest.begin()));
}

TEST_F(HidLinkReadTest, FirstReportThenOnlyReportJoinsBoth) {
    std::vector<uint8_t> first(63, 0x61);
    const std::vector<uint8_t> second = Frame(3);
    m_state->Queue(MakeReport(2, first));
    m_state->Queue(MakeReport(1, second));
    ASSERT_EQ(Read(), 63U + second.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), m_dest.begin()));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), m_dest.begin() + 63));
}

TEST_F(HidLinkReadTest, UnknownCodeAfterTheFirstTakesTheShareBeforeIt) {
    const std::vector<uint8_t> frame = Frame(150);  // 166 bytes: codes 2, 3, 4
    std::vector<Report> reports = Cut(frame);
    ASSERT_EQ(reports.size(), 3U);
    reports[1][0] = 9;
    Queue(reports);
    ASSERT_EQ(Read(), frame.size());
    EXPECT_TRUE(std::equal(frame.begin(), frame.end(), m_dest.begin()));
}

// Reports that a well-formed sender never sends: nothing is handed over, nothing is written
// past a buffer, and the reads end where the message ends.
struct BadCase {
    const char* name;
    std::vector<Report> reports;
    size_t readsLeft;  // reports still queued afterwards
};

std::vector<BadCase> BadCases() {
    std::vector<BadCase> cases;
    cases.push_back({"only report announcing 64 bytes", {MakeReport(1, Frame(48))}, 0});
    cases.push_back({"only report announcing 65551 bytes", {MakeReport(1, Frame(0))}, 0});
    cases.back().reports[0][13] = 0xFF;
    cases.back().reports[0][14] = 0xFF;
    // 16 + 47 = 63 bytes announced, all in the first report: the last one's share is 0.
    cases.push_back({"last share below 1", {MakeReport(2, Frame(47)), MakeReport(4, {1, 2})}, 0});
    // 16 + 200 announced over two reports: the last one would carry 153.
    cases.push_back(
        {"last share above 63", {MakeReport(2, Frame(200)), MakeReport(4, Frame(0))}, 0});
    cases.push_back({"unknown code first", {MakeReport(5, Frame(0))}, 0});
    // 16 + 1009 = 1025 bytes: one more than the message buffer holds.
    std::vector<Report> big = Cut(Frame(1009));
    cases.push_back({"message over 1024 bytes", big, 0});
    std::vector<Report> cut = Cut(Frame(200));
    cut.pop_back();
    cases.push_back({"cut off after three reports", cut, 0});
    return cases;
}

TEST_F(HidLinkReadTest, MalformedMessagesGiveNothing) {
    for (const BadCase& c : BadCases()) {
        m_state->inputs.clear();
        Queue(c.reports);
        EXPECT_EQ(Read(), 0U) << c.name;
        EXPECT_TRUE(DestUntouched()) << c.name;
        EXPECT_EQ(m_state->inputs.size(), c.readsLeft) << c.name;
    }
}

TEST_F(HidLinkReadTest, OverlongMessageIsReadToItsEndSoTheNextOneStandsAlone) {
    Queue(Cut(Frame(2000)));
    const std::vector<uint8_t> next = Frame(2, 0x18);
    Queue(Cut(next));
    EXPECT_EQ(Read(), 0U);
    ASSERT_EQ(Read(), next.size());
    EXPECT_TRUE(std::equal(next.begin(), next.end(), m_dest.begin()));
}

TEST_F(HidLinkReadTest, FailedReadInsideAMessageGivesNothing) {
    std::vector<Report> reports = Cut(Frame(100));
    m_state->Queue(reports[0]);
    m_state->QueueFailure();
    EXPECT_EQ(Read(), 0U);
    EXPECT_TRUE(DestUntouched());
}

TEST_F(HidLinkReadTest, EndlessMiddleReportsEndTheRead) {
    for (int i = 0; i < 1100; ++i) {
        m_state->Queue(MakeReport(i == 0 ? 2 : 3, std::vector<uint8_t>(63, 0x5A)));
    }
    EXPECT_EQ(Read(), 0U);
    // Stops after the longest message a 16-bit length field can describe, 1041 reports.
    EXPECT_EQ(m_state->inputs.size(), 1100U - 1041U);
}

TEST_F(HidLinkReadTest, DestinationGetsAtMostItsCapacity) {
    const std::vector<uint8_t> frame = Frame(200);
    Queue(Cut(frame));
    ASSERT_EQ(Read(128), 128U);
    EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 128, m_dest.begin()));
    EXPECT_EQ(m_dest[128], 0xEE);
}

}  // namespace
