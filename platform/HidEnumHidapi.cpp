// Enumeration through hid_enumerate, for the platforms other than Linux (see HidEnum.h).
#include <hidapi.h>

#include <string>
#include <vector>

#include "platform/HidEnum.h"

namespace orvane {

namespace {

// The product name for display: ASCII kept, anything else shown as '?'.
std::string Narrow(const wchar_t* text) {
    std::string result;
    if (text == nullptr) {
        return result;
    }
    for (; *text != L'\0'; ++text) {
        const auto c = static_cast<unsigned long>(*text);
        result.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
    }
    return result;
}

}  // namespace

std::vector<HidDeviceInfo> EnumerateWithHidapi() {
    std::vector<HidDeviceInfo> devices;
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* entry = list; entry != nullptr; entry = entry->next) {
        if (entry->path == nullptr) {
            continue;
        }
        HidDeviceInfo info;
        info.path = entry->path;
        info.vendorId = entry->vendor_id;
        info.productId = entry->product_id;
        info.product = Narrow(entry->product_string);
        // hidapi does not tell the device's place on the bus: a station pins by serial number.
        info.serialNumber = Narrow(entry->serial_number);
        devices.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return devices;
}

}  // namespace orvane
