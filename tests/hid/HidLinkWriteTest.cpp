// Cutting messages and raw report runs into 64-byte reports.
#include <gtest/gtest.h>

#include <vector>

#include "FakeHidBackend.h"
#include "link/HidLink.h"

namespace {

using hidtest::FakeHidBackend;

constexpr uint16_t kVid = 0x0ACD;
constexpr uint16_t kPid = 0x3710;

// Message bytes that are never 0, so that copied bytes and padding tell apart.
std::vector<uint8_t> Message(size_t n) {
    std::vector<uint8_t> m(n);
    for (size_t i = 0; i < n; ++i) {
        m[i] = static_cast<uint8_t>(0x80 + (i % 0x7F));
    }
    return m;
}

class HidLinkWriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_state = m_backend.Add("/dev/hidraw0", kVid, kPid);
        ASSERT_EQ(m_link.Open(kVid, kPid), 1);
    }

    FakeHidBackend m_backend;
    std::shared_ptr<hidtest::FakeDeviceState> m_state;
    CHidLink m_link{&m_backend};
};

struct CutCase {
    size_t n;
    std::vector<uint8_t> codes;
    size_t lastShare;  // message bytes in the last report
};

class HidLinkCutTest : public HidLinkWriteTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(HidLinkCutTest, CutsByPositionCodeAndKeepsTheTailOfThePreviousReport) {
    const CutCase& c = GetParam();
    const std::vector<uint8_t> message = Message(c.n);
    EXPECT_EQ(m_link.WriteMessage(message.data(), static_cast<uint32_t>(c.n)), 1);

    const auto& written = m_state->written;
    ASSERT_EQ(written.size(), c.codes.size());
    for (size_t k = 0; k < written.size(); ++k) {
        EXPECT_EQ(written[k][0], c.codes[k]) << "report " << k;
        const size_t share = k + 1 == written.size() ? c.lastShare : 63;
        for (size_t b = 0; b < share; ++b) {
            ASSERT_EQ(written[k][b + 1], message[k * 63 + b]) << "report " << k << " byte " << b;
        }
        for (size_t b = share + 1; b < 64; ++b) {
            // Past the payload: zeros in an only report, else what the report before held.
            const uint8_t expected = k == 0 ? 0 : written[k - 1][b];
            ASSERT_EQ(written[k][b], expected) << "report " << k << " byte " << b;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, HidLinkCutTest,
                         ::testing::Values(CutCase{1, {1}, 1}, CutCase{16, {1}, 16},
                                           CutCase{63, {1}, 63}, CutCase{64, {2, 4}, 1},
                                           CutCase{126, {2, 4}, 63}, CutCase{127, {2, 3, 4}, 1},
                                           CutCase{200, {2, 3, 3, 4}, 11}));

TEST_F(HidLinkWriteTest, SixtyFourByteMessageRepeatsTheFirstReportInTheSecond) {
    const std::vector<uint8_t> message = Message(64);
    m_link.WriteMessage(message.data(), 64);
    ASSERT_EQ(m_state->written.size(), 2U);
    const auto& last = m_state->written[1];
    EXPECT_EQ(last[0], 4);
    EXPECT_EQ(last[1], message[63]);
    for (size_t b = 2; b < 64; ++b) {
        EXPECT_EQ(last[b], message[b - 1]) << "byte " << b;
    }
}

TEST_F(HidLinkWriteTest, ZeroLengthMessageSendsNothing) {
    const uint8_t byte = 0x55;
    EXPECT_EQ(m_link.WriteMessage(&byte, 0), 1);
    EXPECT_EQ(m_state->writeCalls, 0);
}

TEST_F(HidLinkWriteTest, WriteRawSendsWholeImagesAsTheyStand) {
    std::vector<uint8_t> images(128);
    for (size_t i = 0; i < images.size(); ++i) {
        images[i] = static_cast<uint8_t>(i + 1);
    }
    struct {
        uint32_t n;
        size_t reports;
    } const cases[] = {{1, 1}, {64, 1}, {65, 2}, {128, 2}};
    for (const auto& c : cases) {
        m_state->written.clear();
        EXPECT_EQ(m_link.WriteRaw(images.data(), c.n), 1);
        ASSERT_EQ(m_state->written.size(), c.reports) << "n=" << c.n;
        for (size_t k = 0; k < c.reports; ++k) {
            // The last image goes out whole, the caller's bytes past n included.
            EXPECT_TRUE(std::equal(m_state->written[k].begin(), m_state->written[k].end(),
                                   images.begin() + static_cast<long>(k * 64)))
                << "n=" << c.n << " report " << k;
        }
    }
}

TEST_F(HidLinkWriteTest, WriteRawOfZeroBytesSendsNothing) {
    const uint8_t byte = 0x01;
    EXPECT_EQ(m_link.WriteRaw(&byte, 0), 1);
    EXPECT_EQ(m_state->writeCalls, 0);
}

TEST_F(HidLinkWriteTest, WriteThatFailsAtOnceIsIgnored) {
    m_state->writeResults = {-1};
    const std::vector<uint8_t> message = Message(127);
    EXPECT_EQ(m_link.WriteMessage(message.data(), 127), 1);
    EXPECT_EQ(m_state->writeCalls, 3);
    ASSERT_EQ(m_state->written.size(), 2U);
    EXPECT_EQ(m_state->written[0][0], 3);
    EXPECT_EQ(m_state->written[1][0], 4);
}

TEST_F(HidLinkWriteTest, ReportNotTakenStopsTheMessage) {
    const std::vector<uint8_t> message = Message(127);
    m_state->writeResults = {64, 0};
    EXPECT_EQ(m_link.WriteMessage(message.data(), 127), 0);
    EXPECT_EQ(m_state->writeCalls, 2);

    std::vector<uint8_t> images(192, 0x11);
    m_state->writeCalls = 0;
    m_state->writeResults = {0};
    EXPECT_EQ(m_link.WriteRaw(images.data(), 192), 0);
    EXPECT_EQ(m_state->writeCalls, 1);
}

TEST(HidLinkClosedTest, WritesSucceedWithNothingSentAndReadsGiveNothingAtOnce) {
    orvane::VirtualClock clock;
    orvane::SetClock(&clock);
    FakeHidBackend backend;
    auto other = backend.Add("/dev/hidraw0", 0x1234, 0x5678, &clock);
    CHidLink link(&backend);
    EXPECT_EQ(link.Open(kVid, kPid), 0);
    EXPECT_FALSE(link.IsOpen());

    const std::vector<uint8_t> message = Message(16);
    EXPECT_EQ(link.WriteMessage(message.data(), 16), 1);
    // Only the 16 bytes exist: a closed link must not read a whole report image.
    EXPECT_EQ(link.WriteRaw(message.data(), 16), 1);

    std::vector<uint8_t> dest(128, 0xEE);
    uint32_t count = 77;
    EXPECT_EQ(link.ReadMessage(dest.data(), &count, 128), 0U);
    EXPECT_EQ(count, 0U);
    EXPECT_EQ(dest, std::vector<uint8_t>(128, 0xEE));
    uint8_t report[64] = {9};
    EXPECT_EQ(link.ReadReport(report, 500), 0);
    EXPECT_EQ(report[0], 0);

    EXPECT_EQ(clock.NowMs(), 0U);
    EXPECT_TRUE(clock.Sleeps().empty());
    EXPECT_EQ(other->writeCalls, 0);
    EXPECT_TRUE(other->readTimeouts.empty());
    orvane::SetClock(nullptr);
}

}  // namespace
