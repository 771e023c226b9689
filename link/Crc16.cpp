#include "link/Crc16.h"

#include <array>

namespace {

constexpr std::array<uint16_t, 256> MakeTable() {
    std::array<uint16_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t reg = i << 8;
        for (int bit = 0; bit < 8; ++bit) {
            reg = (reg & 0x8000U) != 0 ? (reg << 1) ^ 0x1021U : reg << 1;
        }
        table[i] = static_cast<uint16_t>(reg & 0xFFFFU);
    }
    return table;
}

// Evaluated by the compiler: the table is constant data in the binary.
constexpr std::array<uint16_t, 256> kTable = MakeTable();
static_assert(kTable[0] == 0x0000 && kTable[1] == 0x1021 && kTable[255] == 0x1EF0);

}  // namespace

uint16_t Crc16(const uint8_t* data, uint32_t count) {
    uint16_t crc = 0xFFFF;
    for (uint32_t i = 0; i < count; ++i) {
        const auto index = static_cast<uint8_t>((crc >> 8) ^ data[i]);
        crc = static_cast<uint16_t>(kTable[index] ^ static_cast<uint16_t>(crc << 8));
    }
    return crc;
}

uint8_t Crc16High(const uint8_t* data, uint32_t count) {
    return static_cast<uint8_t>(Crc16(data, count) >> 8);
}

uint8_t Crc16Low(const uint8_t* data, uint32_t count) {
    return static_cast<uint8_t>(Crc16(data, count) & 0xFF);
}
