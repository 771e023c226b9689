#pragma once

#include <string>

#include "download/WorkerEvents.h"
#include "link/LinkProbe.h"

// The status line's texts: what Load and the download are doing and why one failed. One line
// each, without line end; never written to the log.
namespace orvane::status {

// "Trying /dev/ttyUSB0 (port 2 of 40)...", "Probing USB device 0ACD:3710...", and for the second
// probe "Probing USB device 0ACD:3710 again (second try)...".
std::string Trying(const LinkAttempt& attempt);
// "/dev/ttyUSB0: permission denied (add yourself to the dialout group)", "USB device 0ACD:3710:
// not found", ...
std::string Failed(const LinkAttempt& attempt, LinkFault fault);
// "Device answered on /dev/ttyUSB0.", "USB device 0ACD:3710 answered."
std::string Answered(const LinkAttempt& attempt);
// The search's end without an answer: "No device answered. Last: <Failed of the last attempt>"
std::string NoAnswer(const std::string& lastFailure);
// "Frame 1: device restarting into its bootloader (5000 ms)..."
std::string Waiting(const LongWait& wait);
// "Read file fail: /path/x.txt: no frame block (...)"
std::string ReadFailed(const ReadFailure& failure);
// "Send command fail: frame 5 (C7/13): nothing came back", "... status 0x01", ...
std::string SendFailed(const SendFailure& failure);
// "Downloaded: 11 of 11 exchanges." and "Stopped at 4 of 11 exchanges."
std::string Finished(int done, int total);
std::string Stopped(int done, int total);

}  // namespace orvane::status
