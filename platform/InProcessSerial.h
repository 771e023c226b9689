#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/SerialPort.h"

namespace orvane {

// Serial ports served inside the process (the simulated device where there is no
// pseudo-terminal). The Windows system back end opens a registered device name through its
// factory instead of the OS, so the links and the scan reach it as any other port.
// Every function may be called from any thread.
using SerialPortFactory = std::function<std::unique_ptr<ISerialPort>()>;

// Serves `name` (compared byte for byte) with ports made by `factory`, one per open. False,
// changing nothing, when the name is served already.
bool RegisterInProcessSerialPort(const std::string& name, SerialPortFactory factory);
// Ends the service of `name`; ports already made stay usable. Harmless for an unknown name.
void UnregisterInProcessSerialPort(const std::string& name);
// A new, closed port for `name`, or nullptr when the name is not served.
std::unique_ptr<ISerialPort> MakeInProcessSerialPort(const std::string& name);

}  // namespace orvane
