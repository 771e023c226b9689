#pragma once

#include <string>

#include "cli/Interrupt.h"
#include "download/WorkerEvents.h"
#include "link/LinkProbe.h"

// The flasher's stderr texts, one line each, without the "orvane-flash: " prefix and without
// a line end. Pure functions: the callers decide where and whether they go.
namespace orvane::cli {

// Where the installed udev rule lives (the package's path), and whether it is there.
const char* InstalledUdevRule();
bool UdevRuleInstalled();

// "cannot read script PATH: REASON" or "script PATH refused: REASON".
std::string DescribeReadFailure(const ReadFailure& failure);

// "trying /dev/ttyS0 (port 1 of 4)", "USB 0ACD:3710: probe 2 of 2".
std::string DescribeTrying(const LinkAttempt& attempt);
// Why a port or the USB device did not become the link, with what to do where there is
// something to do: the dialout group for serial ports, the udev rule for HID devices
// (`ruleInstalled`: whether InstalledUdevRule() exists).
std::string DescribeLinkFailure(const LinkAttempt& attempt, LinkFault fault, bool ruleInstalled);
// "device answered on /dev/ttyUSB0", "device answered on USB 0ACD:3710 at /dev/hidraw3".
std::string DescribeAnswer(const LinkAttempt& attempt);

// "frame 5 (command C7, sub-command 16): no reply", "... reply with command 18 instead of C7",
// "... reply status 03", or for the version query "bootloader version query after frame 2
// (command C7, sub-command 10): ...".
std::string DescribeSendFailure(const SendFailure& failure);
// "frame 3 C7/12: sent 14 bytes, reply 16 bytes C7/00, 2700 ms" (-v).
std::string DescribeExchange(const ExchangeRecord& exchange);
// "frame 1: device restarting into its bootloader (5000 ms)".
std::string DescribeLongWait(const LongWait& wait);
// "download interrupted after 3 of 9 frames", "interrupted before the download started",
// "terminated ..."; `done` < 0 when no download had started.
std::string DescribeInterrupt(Interrupt interrupt, int done, int total);

}  // namespace orvane::cli
