// --list and the access hints on Windows. Whether a device can be opened is found by opening it
// as the links do: access() says nothing about \\.\COM3 or a HID interface path. The advice is
// Windows': another program holding the device, never groups or udev rules.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "cli/Listing.h"

namespace orvane::cli {

namespace {

bool IsComPortName(const std::string& path) {
    return path.rfind("\\\\.\\COM", 0) == 0 || path.rfind("COM", 0) == 0;
}

}  // namespace

Access PathAccess(const std::string& path) {
    if (path.empty()) {
        return Access::NotFound;
    }
    // A COM port opens for one program only, as the serial back end opens it; a HID interface
    // is shared, as the HID back end shares it.
    const DWORD share = IsComPortName(path) ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Access::NotFound
                                                                              : Access::Denied;
    }
    ::CloseHandle(handle);
    return Access::Ok;
}

bool ReportHidPermission(IHidBackend& hid, uint32_t vid, uint32_t pid, AccessCheck access,
                         std::FILE* err) {
    for (const HidDeviceInfo& device : hid.Enumerate()) {
        if (device.vendorId == vid && device.productId == pid &&
            access(device.path) == Access::Denied) {
            std::fprintf(err,
                         "orvane-flash: %04X:%04X at %s is present but cannot be opened: close "
                         "any other program that uses the device (another console or "
                         "flasher), then replug the device and try again\n",
                         vid, pid, device.path.c_str());
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
                         "orvane-flash: %s: in use; close the program that holds it (a "
                         "terminal program, another console or flasher) and try again\n",
                         port.c_str());
            return true;
        }
    }
    return false;
}

}  // namespace orvane::cli
