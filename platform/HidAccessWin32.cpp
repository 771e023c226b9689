// On Windows a HID interface path is tried by opening it, shared as the HID back end opens it:
// access() cannot tell anything about such a path.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/HidAccess.h"

namespace orvane {

bool HidPathAccessible(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::CloseHandle(handle);
    return true;
}

}  // namespace orvane
