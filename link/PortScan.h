#pragma once

#include <string>
#include <vector>

#include "link/LinkProbe.h"

namespace orvane {

// The link spec the Load command opens a port with: "<port>/baud=<baud>/parity=N/stop=1/data=8",
// the baud rate printed as a signed 32-bit decimal (so 4294967295 reads -1), cut to at most
// 127 characters.
std::string FormatLinkSpec(const std::string& port, unsigned long baud);

// Results of ScanSerialPorts other than a port index.
constexpr int kScanNoAnswer = -1;  // every port was tried, none answered
constexpr int kScanStopped = -2;   // a stop request ended the scan

// Load's RS232 scan on g_serialLink, which the caller has closed and for which it has set
// g_interfaceKind to 0: tries the first 40 `ports` in order, opening each with its link spec
// and running ProbeLink; a port that opens but does not answer is closed again. Returns the
// index of the first port that answered, with the link left open on it; kScanNoAnswer when none
// did; kScanStopped when a stop request on orvane::Clock() came first: then no further port is
// opened, the probe under way ends at once, and the link is closed. `observer` (may be null)
// hears of each port on the calling thread. Runs for as long as the probes take.
int ScanSerialPorts(const std::vector<std::string>& ports, unsigned long baud,
                    ILinkObserver* observer = nullptr);

}  // namespace orvane
