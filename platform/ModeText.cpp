#include "platform/ModeText.h"

#include <array>
#include <cstddef>
#include <utility>

namespace orvane {

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Digits only, no sign, no overflow past 32 bits, not zero.
bool ParseBaud(std::string_view v, uint32_t& baud) {
    if (v.empty()) {
        return false;
    }
    uint64_t value = 0;
    for (char c : v) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > UINT32_MAX) {
            return false;
        }
    }
    if (value == 0) {
        return false;
    }
    // The two-digit MODE abbreviations; the comm API reads them the same way.
    static constexpr std::array<std::pair<uint32_t, uint32_t>, 9> kShort{{{11, 110},
                                                                          {15, 150},
                                                                          {30, 300},
                                                                          {60, 600},
                                                                          {12, 1200},
                                                                          {24, 2400},
                                                                          {48, 4800},
                                                                          {96, 9600},
                                                                          {19, 19200}}};
    baud = static_cast<uint32_t>(value);
    for (const auto& [abbrev, full] : kShort) {
        if (v.size() == 2 && baud == abbrev) {
            baud = full;
            break;
        }
    }
    return true;
}

bool ParseOnOff(std::string_view v, std::optional<bool>& out) {
    if (EqualsNoCase(v, "on")) {
        out = true;
    } else if (EqualsNoCase(v, "off")) {
        out = false;
    } else {
        return false;
    }
    return true;
}

bool ParseSetting(std::string_view key, std::string_view v, ModeSettings& out) {
    using S = ModeSettings;
    if (EqualsNoCase(key, "baud")) {
        uint32_t baud = 0;
        if (!ParseBaud(v, baud)) {
            return false;
        }
        out.baud = baud;
        return true;
    }
    if (EqualsNoCase(key, "parity")) {
        if (v.size() != 1) {
            return false;
        }
        switch (Lower(v[0])) {
            case 'n':
                out.parity = S::Parity::None;
                return true;
            case 'e':
                out.parity = S::Parity::Even;
                return true;
            case 'o':
                out.parity = S::Parity::Odd;
                return true;
            case 'm':
                out.parity = S::Parity::Mark;
                return true;
            case 's':
                out.parity = S::Parity::Space;
                return true;
            default:
                return false;
        }
    }
    if (EqualsNoCase(key, "data")) {
        if (v.size() != 1 || v[0] < '5' || v[0] > '8') {
            return false;
        }
        out.dataBits = static_cast<uint8_t>(v[0] - '0');
        return true;
    }
    if (EqualsNoCase(key, "stop")) {
        if (v == "1") {
            out.stopBits = S::StopBits::One;
        } else if (v == "1.5") {
            out.stopBits = S::StopBits::OneAndHalf;
        } else if (v == "2") {
            out.stopBits = S::StopBits::Two;
        } else {
            return false;
        }
        return true;
    }
    if (EqualsNoCase(key, "dtr")) {
        if (EqualsNoCase(v, "hs")) {
            out.dtr = S::Dtr::Handshake;
            return true;
        }
        std::optional<bool> on;
        if (!ParseOnOff(v, on)) {
            return false;
        }
        out.dtr = *on ? S::Dtr::On : S::Dtr::Off;
        return true;
    }
    if (EqualsNoCase(key, "rts")) {
        if (EqualsNoCase(v, "hs")) {
            out.rts = S::Rts::Handshake;
            return true;
        }
        if (EqualsNoCase(v, "tg")) {
            out.rts = S::Rts::Toggle;
            return true;
        }
        std::optional<bool> on;
        if (!ParseOnOff(v, on)) {
            return false;
        }
        out.rts = *on ? S::Rts::On : S::Rts::Off;
        return true;
    }
    if (EqualsNoCase(key, "to")) {
        return ParseOnOff(v, out.timeout);
    }
    if (EqualsNoCase(key, "xon")) {
        return ParseOnOff(v, out.xonXoff);
    }
    if (EqualsNoCase(key, "odsr")) {
        return ParseOnOff(v, out.dsrOutputFlow);
    }
    if (EqualsNoCase(key, "octs")) {
        return ParseOnOff(v, out.ctsOutputFlow);
    }
    if (EqualsNoCase(key, "idsr")) {
        return ParseOnOff(v, out.dsrSensitivity);
    }
    return false;
}

}  // namespace

bool ParseModeText(std::string_view text, ModeSettings& out) {
    out = ModeSettings{};
    bool any = false;
    size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && !IsBlank(text[end])) {
            ++end;
        }
        const std::string_view setting = text.substr(i, end - i);
        const size_t eq = setting.find('=');
        if (eq == std::string_view::npos || eq == 0) {
            return false;
        }
        if (!ParseSetting(setting.substr(0, eq), setting.substr(eq + 1), out)) {
            return false;
        }
        any = true;
        i = end;
    }
    return any;
}

}  // namespace orvane
