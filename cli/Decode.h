#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "download/Script.h"

namespace orvane::cli {

// What --decode warns of in one frame block: hexadecimal digits that do not pair up, characters
// that are not hexadecimal digits (line ends included: they decode as bytes too), and a message
// frame whose CRC does not match. `usb`: the bytes are 64-byte HID reports whose message is
// joined from bytes 1 to 63 of each before it is checked; otherwise the bytes are one message
// frame as it stands. Each warning is one line without the frame's name and without a line end.
std::vector<std::string> FrameWarnings(const char* text, uint32_t textLength, const uint8_t* bytes,
                                       uint32_t count, bool usb);

// --decode: prints each script frame that a run of the script at `path` would send, one line per
// frame on `out`, its bytes as two-digit upper-case hex separated by single spaces (an empty
// frame gives an empty line), and on `err` a warning line per finding of FrameWarnings
// ("orvane-flash: frame N (line L): ...") and a closing summary ("orvane-flash: 9 frames,
// 2 warnings"). Sends nothing. Returns kExitSuccess, or kExitReadFail with no frame line and a
// reason on `err` when the script cannot be read or would be refused before its first frame
// (also when it holds no frame block).
int DecodeScript(const std::string& path, std::FILE* out, std::FILE* err, bool usb = false);

}  // namespace orvane::cli
