#pragma once

// Test helpers shared by the fake links: message frames and the record of what a fake device saw.

#include <cstdint>
#include <string>
#include <vector>

#include "link/Crc16.h"
#include "link/MessageFrame.h"

namespace worktest {

using Bytes = std::vector<uint8_t>;

// A sealed message frame: magic, command, sub-command or status, length, data, CRC.
inline Bytes Message(uint8_t command, uint8_t second, const Bytes& data = {}) {
    Bytes m(frame::kMagic.begin(), frame::kMagic.end());
    m.push_back(command);
    m.push_back(second);
    m.push_back(static_cast<uint8_t>(data.size() >> 8));
    m.push_back(static_cast<uint8_t>(data.size() & 0xFF));
    m.insert(m.end(), data.begin(), data.end());
    const uint16_t crc = Crc16(m.data(), static_cast<uint32_t>(m.size()));
    m.push_back(static_cast<uint8_t>(crc >> 8));
    m.push_back(static_cast<uint8_t>(crc & 0xFF));
    return m;
}

// The bytes as hexadecimal text, two upper-case digits each.
inline std::string Hex(const Bytes& bytes) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

// A message cut into 64-byte reports with position codes (1 only, 2 first, 3 middle, 4 last).
inline std::vector<Bytes> CutIntoReports(const Bytes& message) {
    std::vector<Bytes> reports;
    const size_t count = (message.size() + 62) / 63;
    for (size_t i = 0; i < count; ++i) {
        Bytes report(64, 0);
        report[0] = count == 1 ? 1 : i == 0 ? 2 : i == count - 1 ? 4 : 3;
        for (size_t j = 0; j < 63 && i * 63 + j < message.size(); ++j) {
            report[1 + j] = message[i * 63 + j];
        }
        reports.push_back(report);
    }
    return reports;
}

// The same, joined into the raw bytes of a USB script frame.
inline Bytes ReportCut(const Bytes& message) {
    Bytes raw;
    for (const Bytes& report : CutIntoReports(message)) {
        raw.insert(raw.end(), report.begin(), report.end());
    }
    return raw;
}

}  // namespace worktest
