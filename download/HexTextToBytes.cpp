#include <array>

#include "download/Script.h"

namespace {

// Value of a hexadecimal digit, -1 for any other byte.
constexpr std::array<int8_t, 256> MakeDigits() {
    std::array<int8_t, 256> digits{};
    for (int c = 0; c < 256; ++c) {
        digits[c] = c >= '0' && c <= '9'   ? static_cast<int8_t>(c - '0')
                    : c >= 'a' && c <= 'f' ? static_cast<int8_t>(c - 'a' + 10)
                    : c >= 'A' && c <= 'F' ? static_cast<int8_t>(c - 'A' + 10)
                                           : int8_t{-1};
    }
    return digits;
}
constexpr std::array<int8_t, 256> kDigits = MakeDigits();

// The white space that strtoul skips in the "C" locale.
constexpr bool IsSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// strtoul(pair, nullptr, 16) & 0xFF for the two-character string "ab": with only two characters
// at most one of white space, sign or digits can lead, and a "0x" prefix has no digit behind it.
uint8_t DecodePair(unsigned char a, unsigned char b) {
    const int high = kDigits[a];
    const int low = kDigits[b];
    if (high >= 0) {
        return static_cast<uint8_t>(low >= 0 ? high * 16 + low : high);
    }
    if (low < 0) {
        return 0;
    }
    if (IsSpace(a) || a == '+') {
        return static_cast<uint8_t>(low);
    }
    if (a == '-') {
        return static_cast<uint8_t>(0U - static_cast<unsigned>(low));
    }
    return 0;
}

}  // namespace

void HexTextToBytes(const char* text, uint32_t length, uint8_t* frame, uint32_t* count) {
    if (length > 2 * orvane::kFrameBufferSize) {
        length = 2 * orvane::kFrameBufferSize;
    }
    const auto* chars = reinterpret_cast<const unsigned char*>(text);
    uint32_t written = 0;
    for (uint32_t j = 0; j < length; j += 2) {
        frame[written++] = DecodePair(chars[j], chars[j + 1]);
    }
    *count = written;
}
