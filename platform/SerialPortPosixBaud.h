#pragma once

#include <cstdint>

namespace orvane {

// Sets both speeds of the open terminal `fd` to exactly `baud` bits per second, whatever the
// rate (Linux termios2). The other line settings are left as they are. Returns false when the
// driver refuses or reads back another rate.
bool SetExactBaud(int fd, uint32_t baud);

}  // namespace orvane
