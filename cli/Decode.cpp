#include "cli/Decode.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "cli/Diagnostics.h"
#include "cli/Options.h"
#include "cli/ScriptDiagnosis.h"
#include "link/Crc16.h"
#include "link/MessageFrame.h"

namespace orvane::cli {

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string CharName(char c) {
    if (c == '\n') {
        return "a line end";
    }
    if (c == '\t') {
        return "a tab";
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte < 0x7F) {
        return std::string("'") + c + "'";
    }
    char text[16];
    std::snprintf(text, sizeof text, "byte 0x%02X", byte);
    return text;
}

std::string Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFU);
    return text;
}

// The CRC check of one message frame laid out from `message[0]`.
void CheckMessage(const uint8_t* message, uint32_t size, const char* what,
                  std::vector<std::string>& warnings) {
    if (size < frame::kEmptyFrameSize) {
        warnings.push_back(std::string(what) + " of " + std::to_string(size) +
                           " bytes is too short for a message frame (16 bytes at least)");
        return;
    }
    const uint32_t total = frame::TotalSize(message);
    if (total > size) {
        warnings.push_back(std::string(what) + " holds " + std::to_string(size) +
                           " bytes, its length field asks for " + std::to_string(total));
        return;
    }
    const uint16_t computed = Crc16(message, total - 2);
    const uint16_t carried = static_cast<uint16_t>((message[total - 2] << 8) | message[total - 1]);
    if (computed != carried) {
        warnings.push_back("CRC " + Hex4(carried) + " does not match the " + what + "'s " +
                           Hex4(computed));
    }
}

}  // namespace

std::vector<std::string> FrameWarnings(const char* text, uint32_t textLength, const uint8_t* bytes,
                                       uint32_t count, bool usb) {
    std::vector<std::string> warnings;
    uint32_t digits = 0;
    uint32_t others = 0;
    uint32_t firstOther = 0;
    for (uint32_t i = 0; i < textLength; ++i) {
        if (IsHexDigit(text[i])) {
            ++digits;
        } else if (others++ == 0) {
            firstOther = i;
        }
    }
    if (digits % 2 != 0) {
        warnings.push_back("odd number of hex digits (" + std::to_string(digits) +
                           "): the last one pairs with what follows it");
    }
    if (others > 0) {
        warnings.push_back(std::to_string(others) +
                           (others == 1 ? " character that is not a hex digit"
                                        : " characters that are not hex digits") +
                           ", the first " + CharName(text[firstOther]) + " at character " +
                           std::to_string(firstOther + 1));
    }
    if (count == 0) {
        return warnings;
    }
    if (!usb) {
        CheckMessage(bytes, count, "frame", warnings);
        return warnings;
    }
    // The message travels in bytes 1 to 63 of each 64-byte report.
    std::vector<uint8_t> message;
    for (uint32_t at = 0; at < count; at += 64) {
        const uint32_t end = std::min(count, at + 64);
        if (at + 1 < end) {
            message.insert(message.end(), bytes + at + 1, bytes + end);
        }
    }
    CheckMessage(message.data(), static_cast<uint32_t>(message.size()), "message", warnings);
    return warnings;
}

int DecodeScript(const std::string& path, std::FILE* out, std::FILE* err, bool usb) {
    ReadFailure refusal;
    ScriptText script;
    if (!PrecheckScript(path, refusal, &script)) {
        std::fprintf(err, "orvane-flash: %s\n", DescribeReadFailure(refusal).c_str());
        return kExitReadFail;
    }

    auto text = std::make_unique<char[]>(kFrameTextSize);
    auto frame = std::make_unique<uint8_t[]>(kFrameBufferSize);
    std::string line;
    ScriptScan scan(script);
    FrameBlock block;
    uint64_t frames = 0;
    uint64_t warned = 0;
    for (;;) {
        std::fill_n(text.get(), kFrameTextSize, '\0');
        std::fill_n(frame.get(), kFrameBufferSize, uint8_t{0});
        if (!scan.Next(block, text.get())) {
            break;
        }
        ++frames;
        uint32_t count = 0;
        HexTextToBytes(text.get(), block.textLength, frame.get(), &count);
        line.clear();
        static constexpr char kDigits[] = "0123456789ABCDEF";
        for (uint32_t i = 0; i < count; ++i) {
            if (i > 0) {
                line += ' ';
            }
            line += kDigits[frame[i] >> 4];
            line += kDigits[frame[i] & 0x0F];
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), out);
        for (const std::string& warning :
             FrameWarnings(text.get(), block.textLength, frame.get(), count, usb)) {
            ++warned;
            std::fprintf(err, "orvane-flash: frame %llu (line %llu): %s\n",
                         static_cast<unsigned long long>(block.index),
                         static_cast<unsigned long long>(block.line), warning.c_str());
        }
    }
    std::fflush(out);
    std::fprintf(err, "orvane-flash: %llu %s, %llu %s\n", static_cast<unsigned long long>(frames),
                 frames == 1 ? "frame" : "frames", static_cast<unsigned long long>(warned),
                 warned == 1 ? "warning" : "warnings");
    std::fflush(err);
    return kExitSuccess;
}

}  // namespace orvane::cli
