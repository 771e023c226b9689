#include "platform/PortName.h"

#include <cctype>
#include <cstdlib>

namespace orvane {

std::string WindowsComDeviceName(const std::string& typed) {
    static const std::string kDevicePrefix = "\\\\.\\";
    std::string rest = typed;
    if (rest.compare(0, kDevicePrefix.size(), kDevicePrefix) == 0) {
        rest.erase(0, kDevicePrefix.size());
    }
    if (rest.size() < 4 || rest.size() > 6) {
        return typed;
    }
    for (size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(rest[i])) != "COM"[i]) {
            return typed;
        }
    }
    const std::string digits = rest.substr(3);
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return typed;
        }
    }
    const long number = std::strtol(digits.c_str(), nullptr, 10);
    if (digits[0] == '0' || number < 1 || number > 256) {
        return typed;
    }
    return kDevicePrefix + "COM" + digits;
}

}  // namespace orvane
