#pragma once

#include <termios.h>

#include <cstdint>

#include "platform/ModeText.h"
#include "platform/SerialPort.h"

namespace orvane {

// Turns the port's current settings `tio` into the link's: raw mode (no echo, no signals, no
// line editing, no CR/LF translation), receiver on, modem lines ignored, no hardware or
// XON/XOFF flow control, no parity checking, reads that never block (VMIN = VTIME = 0); data
// bits, parity and stop bits from `mode` where it names them, else as the port had them. The
// speed is not touched. Returns false for a combination the line cannot carry (1.5 stop bits
// without 5 data bits, 2 stop bits with 5, mark or space parity where unsupported).
bool BuildRawTermios(const ModeSettings& mode, termios& tio);

// The B-constant of a standard rate (50 to 230400); false for any other rate.
bool StandardSpeed(uint32_t baud, speed_t& speed);

// What an errno from open(2) of a serial device node means for the operator: ENOENT, ENODEV,
// ENXIO, ENOTDIR and EIO (a ttyS node without a UART) are NotFound; EACCES and EPERM
// PermissionDenied; EBUSY (a port held exclusively elsewhere) Busy; anything else Other.
SerialOpenError SerialOpenErrorOfErrno(int err);

}  // namespace orvane
