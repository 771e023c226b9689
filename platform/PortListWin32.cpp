#include <string>

#include "platform/PortList.h"

namespace orvane {

std::vector<std::string> SerialPortCandidates() {
    std::vector<std::string> ports;
    ports.reserve(kMaxSerialPorts);
    for (size_t n = 1; n <= kMaxSerialPorts; ++n) {
        ports.push_back("\\\\.\\COM" + std::to_string(n));
    }
    return ports;
}

}  // namespace orvane
