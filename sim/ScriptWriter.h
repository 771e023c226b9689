#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/OrvaneDevice.h"
#include "sim/SimHidBackend.h"

// Writes firmware scripts for tests, benchmarks, the screenshot tool and the shipped examples: every frame is a
// sealed frame, on one line after "SEND:"; for USB cut into 64-byte reports (separated by a
// space, which the scan drops) by the rules the link cuts a message.
namespace orvane::sim {

inline std::string Hex(const std::vector<uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

inline std::string ScriptBlock(const std::vector<uint8_t>& frame, bool usb) {
    std::string text = "SEND:";
    if (usb) {
        bool first = true;
        for (const auto& report : SimHidBackend::CutIntoReports(frame)) {
            if (!first) {
                text += ' ';
            }
            text += Hex(report);
            first = false;
        }
    } else {
        text += Hex(frame);
    }
    return text + " SLEEP 100\n";
}

// A whole script: `comment` lines first (each prefixed with "; "), then the frames, then "END>"
// and a closing comment line.
inline std::string MakeScript(const std::vector<std::vector<uint8_t>>& frames, bool usb,
                              const std::vector<std::string>& comment = {}) {
    std::string text;
    for (const std::string& line : comment) {
        text += "; " + line + "\n";
    }
    for (const auto& frame : frames) {
        text += ScriptBlock(frame, usb);
    }
    // "END>" counts only where it starts before the last five bytes of the file.
    return text + "END>\n; end of script\n";
}

// A plain download: enter the bootloader (0xC7/0x13), erase (0xC7/0x12), start (0xC7/0x14),
// then `packages` firmware packages (0xC7/0x20, 2-byte number + `packageSize` bytes), and the
// finishing 0xC7/0x16 when `finish` is set.
inline std::vector<std::vector<uint8_t>> DownloadFrames(int packages, std::size_t packageSize,
                                                        bool finish) {
    std::vector<std::vector<uint8_t>> frames;
    frames.push_back(OrvaneDevice::MakeFrame(0xC7, 0x13));
    frames.push_back(OrvaneDevice::MakeFrame(0xC7, 0x12, {0x08, 0x00, 0x40, 0x00}));
    const auto total = static_cast<uint32_t>(packages * packageSize);
    frames.push_back(OrvaneDevice::MakeFrame(
        0xC7, 0x14,
        {static_cast<uint8_t>(total >> 24), static_cast<uint8_t>(total >> 16),
         static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total)}));
    uint32_t seed = 0x2545F491;
    for (int n = 1; n <= packages; ++n) {
        std::vector<uint8_t> data = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
        for (std::size_t i = 0; i < packageSize; ++i) {
            seed = seed * 1103515245U + 12345U;  // firmware-looking bytes, the same every time
            data.push_back(static_cast<uint8_t>(seed >> 16));
        }
        frames.push_back(OrvaneDevice::MakeFrame(0xC7, 0x20, data));
    }
    if (finish) {
        frames.push_back(OrvaneDevice::MakeFrame(0xC7, 0x16));
    }
    return frames;
}

}  // namespace orvane::sim
