#include "cli/Listing.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace orvane::cli {

namespace {
const char* AccessWord(bool ok) {
    return ok ? "ok" : "no access";
}
}  // namespace

#if !defined(_WIN32)
bool PathAccessible(const std::string& path) {
    return access(path.c_str(), R_OK | W_OK) == 0;
}
#endif

void ListDevices(const std::vector<std::string>& ports, IHidBackend& hid, AccessCheck accessible,
                 std::FILE* out) {
    std::fprintf(out, "Serial ports:\n");
    if (ports.empty()) {
        std::fprintf(out, "  (none)\n");
    }
    for (const std::string& port : ports) {
        std::fprintf(out, "  %s  %s\n", port.c_str(), AccessWord(accessible(port)));
    }
    std::fprintf(out, "HID devices:\n");
    const std::vector<HidDeviceInfo> devices = hid.Enumerate();
    if (devices.empty()) {
        std::fprintf(out, "  (none)\n");
    }
    for (const HidDeviceInfo& device : devices) {
        std::fprintf(out, "  %04X:%04X  %s  %s%s%s\n", device.vendorId, device.productId,
                     device.path.c_str(), AccessWord(accessible(device.path)),
                     device.product.empty() ? "" : "  ", device.product.c_str());
    }
    std::fflush(out);
}

#if !defined(_WIN32)
bool ReportHidPermission(IHidBackend& hid, uint32_t vid, uint32_t pid, AccessCheck accessible,
                         std::FILE* err) {
    for (const HidDeviceInfo& device : hid.Enumerate()) {
        if (device.vendorId == vid && device.productId == pid && !accessible(device.path)) {
            std::fprintf(err,
                         "orvane-flash: %04X:%04X at %s is present but this user may not open "
                         "it.\n"
                         "orvane-flash: install the udev rule: sudo cp res/udev/70-orvane.rules "
                         "/etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm "
                         "trigger, then replug the device.\n",
                         vid, pid, device.path.c_str());
            return true;
        }
    }
    return false;
}

#endif

}  // namespace orvane::cli
