#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvane {

// Line settings named by a mode text in the syntax of the Windows MODE command as the comm
// API's DCB builder takes it: "baud=19200 parity=N data=8 stop=1 dtr=on ...". Settings the text
// does not name stay empty; the back end then keeps what the port already had.
struct ModeSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };
    enum class Dtr { Off, On, Handshake };
    enum class Rts { Off, On, Handshake, Toggle };

    std::optional<uint32_t> baud;  // bits per second, > 0
    std::optional<Parity> parity;
    std::optional<uint8_t> dataBits;  // 5..8
    std::optional<StopBits> stopBits;
    std::optional<bool> timeout;        // to=
    std::optional<bool> xonXoff;        // xon=
    std::optional<bool> dsrOutputFlow;  // odsr=
    std::optional<bool> ctsOutputFlow;  // octs=
    std::optional<Dtr> dtr;
    std::optional<Rts> rts;
    std::optional<bool> dsrSensitivity;  // idsr=
};

// Parses `text`: settings separated by spaces or tabs, each key=value, keys and values
// case-insensitive, a later setting of the same key wins.
//   baud=  a decimal rate of 1..4294967295 bits per second; the MODE short forms 11, 15, 30,
//          60, 12, 24, 48, 96 and 19 stand for 110, 150, 300, 600, 1200, 2400, 4800, 9600 and
//          19200
//   parity= n, e, o, m or s      data= 5..8      stop= 1, 1.5 or 2
//   to=, xon=, odsr=, octs=, idsr= on or off     dtr= on, off or hs     rts= on, off, hs or tg
// Returns false, leaving `out` unspecified, on anything else: an unknown key, a bad value, a
// setting without '=', baud=0, or a text without any setting.
bool ParseModeText(std::string_view text, ModeSettings& out);

}  // namespace orvane
