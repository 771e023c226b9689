#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/HidEnum.h"

namespace orvane {

namespace {

constexpr const char* kNodePrefix = "hidraw";
constexpr size_t kMaxNodeDigits = 9;          // keeps the number within 32 bits
constexpr std::streamsize kMaxUevent = 4096;  // a uevent is a few hundred bytes

// "hidrawN" -> N; false for any other name.
bool ParseNodeName(const std::string& name, uint32_t& number) {
    const std::string prefix = kNodePrefix;
    if (name.size() <= prefix.size() || name.size() > prefix.size() + kMaxNodeDigits ||
        name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    uint32_t value = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
        value = value * 10 + static_cast<uint32_t>(name[i] - '0');
    }
    number = value;
    return true;
}

// 1 to 8 hex digits -> value.
bool ParseHex(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 8) {
        return false;
    }
    uint32_t result = 0;
    for (char c : text) {
        uint32_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else {
            return false;
        }
        result = (result << 4) | digit;
    }
    value = result;
    return true;
}

// "bus:vendor:product" -> the 16-bit ids; false when malformed or an id is above 0xFFFF.
bool ParseHidId(const std::string& text, uint16_t& vendor, uint16_t& product) {
    const size_t first = text.find(':');
    const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos) {
        return false;
    }
    uint32_t bus = 0;
    uint32_t v = 0;
    uint32_t p = 0;
    if (!ParseHex(text.substr(0, first), bus) ||
        !ParseHex(text.substr(first + 1, second - first - 1), v) ||
        !ParseHex(text.substr(second + 1), p) || v > 0xFFFF || p > 0xFFFF) {
        return false;
    }
    vendor = static_cast<uint16_t>(v);
    product = static_cast<uint16_t>(p);
    return true;
}

bool ReadUevent(const std::filesystem::path& file, HidDeviceInfo& info) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string text(static_cast<size_t>(kMaxUevent), '\0');
    in.read(text.data(), kMaxUevent);
    text.resize(static_cast<size_t>(in.gcount()));

    bool haveId = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.rfind("HID_ID=", 0) == 0) {
            haveId = ParseHidId(line.substr(7), info.vendorId, info.productId);
        } else if (line.rfind("HID_NAME=", 0) == 0) {
            info.product = line.substr(9);
        } else if (line.rfind("HID_UNIQ=", 0) == 0) {
            info.serialNumber = line.substr(9);
        }
    }
    return haveId;
}

// "1-1.4:1.0" (bus-ports:configuration.interface, a USB interface's name in sysfs) -> "1-1.4".
bool UsbPortOfInterface(const std::string& name, std::string& port) {
    const size_t dash = name.find('-');
    const size_t colon = name.find(':');
    if (dash == std::string::npos || colon == std::string::npos || dash == 0 || colon < dash + 2) {
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool digit = c >= '0' && c <= '9';
        const bool allowed = i < dash ? digit : (i == dash || i == colon || digit || c == '.');
        if (!allowed) {
            return false;
        }
    }
    port = name.substr(0, colon);
    return true;
}

// The port path of the USB device a hidraw node belongs to: the innermost USB interface among
// the directories that its device link resolves to. Empty for a HID device off USB (uhid,
// Bluetooth, I2C).
std::string UsbPortPath(const std::filesystem::path& deviceLink) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(deviceLink, error);
    if (error) {
        return {};
    }
    std::string port;
    for (const auto& part : real) {
        std::string candidate;
        if (UsbPortOfInterface(part.string(), candidate)) {
            port = candidate;
        }
    }
    return port;
}

}  // namespace

bool IsHidrawNodePath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    uint32_t number = 0;
    return ParseNodeName(name, number);
}

std::vector<HidDeviceInfo> EnumerateHidrawSysfs(const std::string& classDir,
                                                const std::string& devDir) {
    std::vector<std::pair<uint32_t, std::string>> nodes;
    std::error_code error;
    std::filesystem::directory_iterator it(classDir, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        uint32_t number = 0;
        if (ParseNodeName(name, number)) {
            nodes.emplace_back(number, name);
        }
    }
    std::sort(nodes.begin(), nodes.end());

    std::vector<HidDeviceInfo> devices;
    for (const auto& [number, name] : nodes) {
        HidDeviceInfo info;
        const std::filesystem::path device = std::filesystem::path(classDir) / name / "device";
        if (!ReadUevent(device / "uevent", info)) {
            continue;
        }
        info.portPath = UsbPortPath(device);
        info.path = devDir;
        info.path.append("/").append(name);
        devices.push_back(std::move(info));
    }
    return devices;
}

}  // namespace orvane
