#pragma once

#include <cstdio>
#include <string>

namespace orvane::vm {

// Leaves the terminal `tty` with hostile settings (9600 7E2, RTS/CTS and XON/XOFF flow control,
// DTR and RTS off) on a descriptor it keeps open, opens it with CSerialLink at 19200 8N1 and
// reads back from the driver what the link left: 19200 both ways, 8 data bits, no parity, one
// stop bit, no flow control of either kind, DTR and RTS on. Prints each reading on `out`.
// Returns 0 when all hold, 1 when one does not, 2 when the port cannot be set up.
int CheckLineSettings(const std::string& tty, std::FILE* out);

// Opens `tty` with CSerialLink at `baud` and reads back the rate the driver keeps (Linux
// termios2). Prints it on `out`. Returns 0 when Open succeeded and the driver holds exactly that
// rate, 3 when Open refused the rate, 1 when Open succeeded with another rate, 2 on set-up
// faults.
int CheckBaud(const std::string& tty, unsigned long baud, std::FILE* out);

}  // namespace orvane::vm
