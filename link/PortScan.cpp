#include "link/PortScan.h"

#include <cstdint>
#include <cstdio>

#include "link/LinkProbe.h"
#include "link/SerialLink.h"

namespace orvane {

namespace {
constexpr size_t kSpecBuffer = 128;
constexpr size_t kMaxPorts = 40;
}  // namespace

std::string FormatLinkSpec(const std::string& port, unsigned long baud) {
    char spec[kSpecBuffer] = {};
    // The rate goes out as a 32-bit signed number, as the operator's text was read into one.
    const auto rate = static_cast<int32_t>(static_cast<uint32_t>(baud));
    std::snprintf(spec, sizeof(spec), "%s/baud=%d/parity=N/stop=1/data=8", port.c_str(),
                  static_cast<int>(rate));
    return spec;
}

int ScanSerialPorts(const std::vector<std::string>& ports, unsigned long baud) {
    const size_t count = ports.size() < kMaxPorts ? ports.size() : kMaxPorts;
    for (size_t i = 0; i < count; ++i) {
        const std::string spec = FormatLinkSpec(ports[i], baud);
        if (g_serialLink.Open(spec.c_str()) == 0) {
            continue;
        }
        if (ProbeLink()) {
            return static_cast<int>(i);
        }
        g_serialLink.Close();
    }
    return -1;
}

}  // namespace orvane
