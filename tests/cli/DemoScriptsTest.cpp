// The shipped example scripts hold whole sealed frames in the order a download needs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "download/Script.h"
#include "link/Crc16.h"
#include "sim/ScriptWriter.h"

namespace orvane {
namespace {

std::vector<std::vector<uint8_t>> DecodeAll(const std::string& path) {
    ScriptText script;
    EXPECT_TRUE(ReadScriptFile(path, script)) << path;
    std::vector<std::vector<uint8_t>> frames;
    auto text = std::make_unique<char[]>(kFrameTextSize);
    auto frame = std::make_unique<uint8_t[]>(kFrameBufferSize);
    ScriptScan scan(script);
    FrameBlock block;
    while (std::fill_n(text.get(), kFrameTextSize, '\0'), scan.Next(block, text.get())) {
        uint32_t count = 0;
        HexTextToBytes(text.get(), block.textLength, frame.get(), &count);
        frames.emplace_back(frame.get(), frame.get() + count);
    }
    EXPECT_EQ(scan.End(), ScanEnd::EndMarker) << path;
    return frames;
}

// Joins 64-byte reports by position code into one message frame.
std::vector<uint8_t> JoinReports(const std::vector<uint8_t>& reports) {
    std::vector<uint8_t> joined;
    for (std::size_t at = 0; at + 64 <= reports.size(); at += 64) {
        const uint8_t code = reports[at];
        EXPECT_TRUE(code == (at == 0 ? (reports.size() == 64 ? 1 : 2)
                                     : (at + 64 == reports.size() ? 4 : 3)))
            << "report at " << at << " has code " << int(code);
        joined.insert(joined.end(), reports.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                      reports.begin() + static_cast<std::ptrdiff_t>(at) + 64);
    }
    EXPECT_EQ(reports.size() % 64, 0U);
    joined.resize(16U + (std::size_t{joined[12]} << 8) + joined[13]);
    return joined;
}

void ExpectSealed(const std::vector<uint8_t>& frame, std::size_t index) {
    ASSERT_GE(frame.size(), 16U) << index;
    const auto body = static_cast<uint32_t>(frame.size() - 2);
    EXPECT_EQ(frame.size(), 16U + (std::size_t{frame[12]} << 8) + frame[13]) << index;
    EXPECT_EQ(frame[body], Crc16High(frame.data(), body)) << index;
    EXPECT_EQ(frame[body + 1], Crc16Low(frame.data(), body)) << index;
}

TEST(DemoScripts, HoldTheSameSealedDownloadForEachLink) {
    const std::string dir = ORVANE_EXAMPLES_DIR;
    const auto rs232 = DecodeAll(dir + "/demo-rs232.txt");
    const auto usb = DecodeAll(dir + "/demo-usb.txt");
    const auto expected = sim::DownloadFrames(8, 128, true);
    ASSERT_EQ(rs232.size(), expected.size());
    ASSERT_EQ(usb.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ExpectSealed(rs232[i], i);
        EXPECT_EQ(rs232[i], expected[i]) << i;
        const auto joined = JoinReports(usb[i]);
        ExpectSealed(joined, i);
        EXPECT_EQ(joined, expected[i]) << i;
    }
    EXPECT_EQ(rs232.front()[11], 0x13) << "frame 1 enters the bootloader";
    EXPECT_EQ(rs232.back()[11], 0x16) << "the last frame finishes";
}

}  // namespace
}  // namespace orvane
