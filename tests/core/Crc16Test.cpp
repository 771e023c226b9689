#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "link/Crc16.h"
#include "link/MessageFrame.h"

namespace {

const uint8_t* Bytes(const char* text) {
    return reinterpret_cast<const uint8_t*>(text);
}

TEST(Crc16, PublishedVectors) {
    struct Case {
        const char* text;
        uint16_t crc;
    };
    for (const Case& c : {Case{"123456789", 0x29B1}, Case{"abc", 0x514A}, Case{"", 0xFFFF}}) {
        const auto n = static_cast<uint32_t>(std::strlen(c.text));
        EXPECT_EQ(Crc16(Bytes(c.text), n), c.crc) << c.text;
        EXPECT_EQ(Crc16High(Bytes(c.text), n), c.crc >> 8) << c.text;
        EXPECT_EQ(Crc16Low(Bytes(c.text), n), c.crc & 0xFF) << c.text;
    }
}

// The CRC bytes of each constant request are the CRC-16 of its first 14 bytes.
TEST(Crc16, ConstantRequestsCarryTheirOwnCrc) {
    for (const auto& request : {frame::kLinkProbeRequest, frame::kPollRequest}) {
        EXPECT_EQ(Crc16High(request.data(), 14), request[14]);
        EXPECT_EQ(Crc16Low(request.data(), 14), request[15]);
    }
    EXPECT_EQ(Crc16(frame::kLinkProbeRequest.data(), 14), 0x6D3C);
    EXPECT_EQ(Crc16(frame::kPollRequest.data(), 14), 0x52B2);

    uint8_t version[14] = {'Z', 'e', 'n', 't', 'h', 'r', 'a', 'l', '2', 0, 0xC7, 0x10, 0, 0};
    EXPECT_EQ(Crc16(version, 14), 0x6582);
}

// Cross-check the table against the bitwise definition over many lengths.
TEST(Crc16, MatchesBitwiseDefinition) {
    std::vector<uint8_t> data(300);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    for (uint32_t n = 0; n <= data.size(); n += 7) {
        uint16_t crc = 0xFFFF;
        for (uint32_t i = 0; i < n; ++i) {
            crc ^= static_cast<uint16_t>(data[i] << 8);
            for (int bit = 0; bit < 8; ++bit) {
                crc = (crc & 0x8000) != 0 ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                                          : static_cast<uint16_t>(crc << 1);
            }
        }
        EXPECT_EQ(Crc16(data.data(), n), crc) << "length " << n;
    }
}

TEST(MessageFrame, TotalSizeFromLengthField) {
    uint8_t header[14] = {};
    header[12] = 0x01;
    header[13] = 0x02;
    EXPECT_EQ(frame::TotalSize(header), 274U);  // 258 data bytes, CRC at offset 272
}

}  // namespace
