#pragma once

#include <string>
#include <vector>

namespace orvane {

// The link spec the Load command opens a port with: "<port>/baud=<baud>/parity=N/stop=1/data=8",
// the baud rate printed as a signed 32-bit decimal (so 4294967295 reads -1), cut to at most
// 127 characters.
std::string FormatLinkSpec(const std::string& port, unsigned long baud);

// Load's RS232 scan on g_serialLink, which the caller has closed and for which it has set
// g_interfaceKind to 0: tries the first 40 `ports` in order, opening each with its link spec
// and running ProbeLink; a port that opens but does not answer is closed again. Returns the
// index of the first port that answered, with the link left open on it, or -1 when none did
// (the link is then closed). Runs on the calling thread for as long as the probes take.
int ScanSerialPorts(const std::vector<std::string>& ports, unsigned long baud);

}  // namespace orvane
