#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "download/Script.h"

namespace {

uint8_t ByStrtoul(const char* text) {
    return static_cast<uint8_t>(std::strtoul(text, nullptr, 16) & 0xFFU);
}

// Every two-character string, and every single character before the terminating zero, decodes
// to exactly what the C library's strtoul makes of it.
TEST(HexTextToBytes, AgreesWithStrtoulOnEveryPair) {
    uint8_t frame[orvane::kFrameBufferSize] = {};
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const char text[3] = {static_cast<char>(a), static_cast<char>(b), '\0'};
            uint32_t count = 99;
            HexTextToBytes(text, 2, frame, &count);
            ASSERT_EQ(count, 1U);
            ASSERT_EQ(frame[0], ByStrtoul(text)) << "pair " << a << "," << b;
        }
        const char tail[2] = {static_cast<char>(a), '\0'};
        uint32_t count = 99;
        HexTextToBytes(tail, 1, frame, &count);
        ASSERT_EQ(count, 1U);
        ASSERT_EQ(frame[0], ByStrtoul(tail)) << "tail " << a;
    }
}

TEST(HexTextToBytes, PairTable) {
    struct Case {
        const char* text;  // two characters, or one followed by the end of the text
        uint8_t byte;
    };
    const Case cases[] = {
        {"4F", 0x4F}, {"a1", 0xA1},   {"7", 0x07},   {"\n5", 0x05}, {"5\n", 0x05},
        {"\n", 0x00}, {"\n\n", 0x00}, {"G1", 0x00},  {"1G", 0x01},  {"+5", 0x05},
        {"-5", 0xFB}, {"0x", 0x00},   {"\t9", 0x09}, {"-f", 0xF1},  {"+G", 0x00},
    };
    for (const Case& c : cases) {
        uint8_t frame[orvane::kFrameBufferSize] = {};
        uint32_t count = 0;
        HexTextToBytes(c.text, static_cast<uint32_t>(std::strlen(c.text)), frame, &count);
        EXPECT_EQ(count, 1U) << c.text;
        EXPECT_EQ(frame[0], c.byte) << c.text;
    }
}

TEST(HexTextToBytes, CountsHalfTheLengthRoundedUp) {
    uint8_t frame[orvane::kFrameBufferSize] = {};
    uint32_t count = 0;
    HexTextToBytes("01 02", 0, frame, &count);
    EXPECT_EQ(count, 0U);

    const char text[] = "A1B2C";
    HexTextToBytes(text, 5, frame, &count);
    ASSERT_EQ(count, 3U);
    EXPECT_EQ(std::vector<uint8_t>(frame, frame + 4), (std::vector<uint8_t>{0xA1, 0xB2, 0x0C, 0}));
}

// The longest frame text fills the 8192-byte frame exactly; a longer run is cut there instead
// of running past the buffer.
TEST(HexTextToBytes, NeverWritesPastTheFrameBuffer) {
    std::vector<char> text(40000, 'E');
    text[orvane::kFrameTextMax] = '\0';  // a full frame text and its terminating zero
    std::vector<uint8_t> frame(orvane::kFrameBufferSize + 16, 0x5A);

    uint32_t count = 0;
    HexTextToBytes(text.data(), orvane::kFrameTextMax, frame.data(), &count);
    EXPECT_EQ(count, orvane::kFrameBufferSize);
    EXPECT_EQ(frame[orvane::kFrameBufferSize - 2], 0xEE);
    EXPECT_EQ(frame[orvane::kFrameBufferSize - 1], 0x0E);  // "E" and the terminating zero
    EXPECT_EQ(frame[orvane::kFrameBufferSize], 0x5A);

    text[orvane::kFrameTextMax] = 'E';

    HexTextToBytes(text.data(), 30000, frame.data(), &count);
    EXPECT_EQ(count, orvane::kFrameBufferSize);
    EXPECT_EQ(frame[orvane::kFrameBufferSize], 0x5A);
}

}  // namespace
