#pragma once

#include <cstdint>

// CRC-16/CCITT-FALSE (poly 0x1021, init 0xFFFF, no reflection, no final XOR), table-driven.
// A count of 0 gives 0xFFFF. Pure functions; `data` may be null only when `count` is 0.
uint16_t Crc16(const uint8_t* data, uint32_t count);
// High byte of Crc16 (the byte a frame carries first).
uint8_t Crc16High(const uint8_t* data, uint32_t count);
// Low byte of Crc16.
uint8_t Crc16Low(const uint8_t* data, uint32_t count);
