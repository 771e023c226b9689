// The framing of the real-driver faces: reports joined by position code, serial bytes gathered
// into frames.
#include <gtest/gtest.h>

#include <chrono>

#include "link/MessageFrame.h"
#include "sim/FrameGatherer.h"
#include "sim/OrvaneDevice.h"
#include "sim/ReportJoiner.h"
#include "sim/SimHidBackend.h"

namespace orvane::sim {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Package(std::size_t dataSize) {
    Bytes data(dataSize);
    for (std::size_t i = 0; i < dataSize; ++i) {
        data[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    return OrvaneDevice::MakeFrame(0xC7, 0x20, data);
}

TEST(ReportJoinerTest, JoinsWhatTheLinkCutsWhateverTheLength) {
    // 16, 63, 64, 126, 127 and 146 bytes: one, one, two, two, three and three reports.
    for (std::size_t data : {0U, 47U, 48U, 110U, 111U, 130U}) {
        const Bytes message = Package(data);
        ReportJoiner joiner;
        std::optional<Bytes> joined;
        const auto reports = SimHidBackend::CutIntoReports(message);
        for (std::size_t i = 0; i < reports.size(); ++i) {
            joined = joiner.Take(reports[i].data(), reports[i].size());
            EXPECT_EQ(joined.has_value(), i + 1 == reports.size()) << data << " report " << i;
        }
        ASSERT_TRUE(joined.has_value()) << data;
        EXPECT_EQ(*joined, message) << data;
    }
}

TEST(ReportJoinerTest, IgnoresReportsOutsideAMessage) {
    const auto reports = SimHidBackend::CutIntoReports(Package(130));
    ReportJoiner joiner;
    // A last or middle report with no first before it, and a code the protocol does not know.
    EXPECT_FALSE(joiner.Take(reports[2].data(), reports[2].size()));
    EXPECT_FALSE(joiner.Take(reports[1].data(), reports[1].size()));
    Bytes unknown = reports[0];
    unknown[0] = 5;
    EXPECT_FALSE(joiner.Take(unknown.data(), unknown.size()));
    EXPECT_FALSE(joiner.Take(nullptr, 64));
}

TEST(ReportJoinerTest, ResetDropsAHalfJoinedRequest) {
    const auto reports = SimHidBackend::CutIntoReports(Package(130));
    ReportJoiner joiner;
    joiner.Take(reports[0].data(), reports[0].size());
    joiner.Reset();
    EXPECT_FALSE(joiner.Take(reports[1].data(), reports[1].size()));
    EXPECT_FALSE(joiner.Take(reports[2].data(), reports[2].size()));
}

TEST(FrameGathererTest, SkipsNoiseAndSplitsBackToBackFrames) {
    const Bytes first = OrvaneDevice::MakeFrame(0x18, 0x01);
    const Bytes second = Package(20);
    Bytes line = {0x00, 0xFF, 'Z', 'e'};  // noise, and a magic that breaks off
    line.insert(line.end(), first.begin(), first.end());
    line.insert(line.end(), second.begin(), second.end());
    FrameGatherer gatherer;
    const auto now = std::chrono::steady_clock::now();
    // In two pieces, the cut inside the second frame.
    auto frames = gatherer.Take(line.data(), 30, now);
    ASSERT_EQ(frames.size(), 1U);
    EXPECT_EQ(frames[0], first);
    frames = gatherer.Take(line.data() + 30, line.size() - 30, now);
    ASSERT_EQ(frames.size(), 1U);
    EXPECT_EQ(frames[0], second);
}

TEST(FrameGathererTest, DropsAHalfFrameAfterSilence) {
    const Bytes frame = Package(20);
    FrameGatherer gatherer;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(gatherer.Take(frame.data(), 20, start).empty());
    // The rest arrives 201 ms later: the device has given up on the first part.
    const auto late = start + std::chrono::milliseconds(201);
    EXPECT_TRUE(gatherer.Take(frame.data() + 20, frame.size() - 20, late).empty());
    EXPECT_EQ(gatherer.Take(frame.data(), frame.size(), late).size(), 1U);
}

TEST(FrameGathererTest, SkipsAnAnnouncedFrameLongerThanAnyOfOurs) {
    Bytes header(frame::kMagic.begin(), frame::kMagic.end());
    header.insert(header.end(), {0xC7, 0x20, 0xFF, 0xFF});
    const Bytes real = OrvaneDevice::MakeFrame(0x18, 0x01);
    header.insert(header.end(), real.begin(), real.end());
    FrameGatherer gatherer;
    const auto frames =
        gatherer.Take(header.data(), header.size(), std::chrono::steady_clock::now());
    ASSERT_EQ(frames.size(), 1U);
    EXPECT_EQ(frames[0], real);
}

}  // namespace
}  // namespace orvane::sim
