#pragma once

#include <memory>

#include "platform/SerialPort.h"

namespace orvane {

// The Win32 comm API port alone (MakeSystemSerialPort adds the in-process ports in front of
// it). Windows only.
std::unique_ptr<ISerialPort> MakeWin32SerialPort();

}  // namespace orvane
