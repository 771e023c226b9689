#include "cli/Listing.h"

#if !defined(_WIN32)
#include <unistd.h>

#include <cerrno>
#endif

#include "cli/Diagnostics.h"

namespace orvane::cli {

namespace {
const char* AccessWord(Access access) {
    switch (access) {
        case Access::Ok:
            return "ok";
        case Access::NotFound:
            return "not found";
        case Access::Denied:
            return "no access";
    }
    return "no access";
}
}  // namespace

// Windows: ListingWin32.cpp opens the device instead, and gives Windows advice.
#if !defined(_WIN32)
Access PathAccess(const std::string& path) {
    if (::access(path.c_str(), R_OK | W_OK) == 0) {
        return Access::Ok;
    }
    return errno == ENOENT || errno == ENOTDIR ? Access::NotFound : Access::Denied;
}
#endif

void ListDevices(const std::vector<std::string>& ports, IHidBackend& hid, AccessCheck access,
                 std::FILE* out) {
    std::fprintf(out, "Serial ports:\n");
    if (ports.empty()) {
        std::fprintf(out, "  (none)\n");
    }
    for (const std::string& port : ports) {
        std::fprintf(out, "  %s  %s\n", port.c_str(), AccessWord(access(port)));
    }
    std::fprintf(out, "HID devices:\n");
    const std::vector<HidDeviceInfo> devices = hid.Enumerate();
    if (devices.empty()) {
        std::fprintf(out, "  (none)\n");
    }
    for (const HidDeviceInfo& device : devices) {
        std::fprintf(out, "  %04X:%04X  %s  %s%s%s\n", device.vendorId, device.productId,
                     device.path.c_str(), AccessWord(access(device.path)),
                     device.product.empty() ? "" : "  ", device.product.c_str());
    }
    std::fflush(out);
}

#if !defined(_WIN32)
bool ReportHidPermission(IHidBackend& hid, uint32_t vid, uint32_t pid, AccessCheck access,
                         std::FILE* err) {
    for (const HidDeviceInfo& device : hid.Enumerate()) {
        if (device.vendorId == vid && device.productId == pid &&
            access(device.path) == Access::Denied) {
            LinkAttempt attempt;
            attempt.kind = LinkKind::Usb;
            attempt.vid = vid;
            attempt.pid = pid;
            attempt.port = device.path;
            std::fprintf(
                err, "orvane-flash: %s\n",
                DescribeLinkFailure(attempt, LinkFault::PermissionDenied, UdevRuleInstalled())
                    .c_str());
            return true;
        }
    }
    return false;
}

bool ReportSerialPermission(const std::vector<std::string>& ports, AccessCheck access,
                            std::FILE* err) {
    for (const std::string& port : ports) {
        if (access(port) == Access::Denied) {
            std::fprintf(err,
                         "orvane-flash: %s: permission denied; add this user to the dialout group "
                         "(sudo usermod -aG dialout $USER), then log in again\n",
                         port.c_str());
            return true;
        }
    }
    return false;
}

#endif

}  // namespace orvane::cli
