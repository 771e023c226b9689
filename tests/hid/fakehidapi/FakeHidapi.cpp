#include "FakeHidapi.h"

#include <hidapi.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

struct hid_device_ {
    std::shared_ptr<fakehidapi::Model> model;
    uint64_t session = 0;
    bool nonblocking = false;
};

namespace fakehidapi {

namespace {

struct Registered {
    DeviceEntry entry;
    std::shared_ptr<Model> model;
};

struct Registry {
    std::mutex mutex;
    std::vector<Registered> devices;
    Stats stats;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

wchar_t* CopyWide(const std::wstring& text) {
    auto* copy = static_cast<wchar_t*>(std::calloc(text.size() + 1, sizeof(wchar_t)));
    if (copy != nullptr) {
        std::wmemcpy(copy, text.c_str(), text.size());
    }
    return copy;
}

}  // namespace

void AddDevice(const DeviceEntry& entry, std::shared_ptr<Model> model) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.devices.push_back({entry, std::move(model)});
}

void RemoveDevice(const std::string& path) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::erase_if(registry.devices, [&](const Registered& r) { return r.entry.path == path; });
}

void Reset() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.devices.clear();
    Stats kept;
    kept.initCalls = registry.stats.initCalls;
    kept.openHandles = registry.stats.openHandles;
    registry.stats = kept;
}

Stats GetStats() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    return registry.stats;
}

}  // namespace fakehidapi

using fakehidapi::TheRegistry;

extern "C" {

int hid_init(void) {
    std::lock_guard lock(TheRegistry().mutex);
    ++TheRegistry().stats.initCalls;
    return 0;
}

int hid_exit(void) {
    return 0;
}

hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    for (const auto& device : registry.devices) {
        const auto& e = device.entry;
        if ((vendor_id != 0 && vendor_id != e.vendorId) ||
            (product_id != 0 && product_id != e.productId)) {
            continue;
        }
        auto* info = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
        if (info == nullptr) {
            break;
        }
        info->path = strdup(e.path.c_str());
        info->vendor_id = e.vendorId;
        info->product_id = e.productId;
        info->product_string = fakehidapi::CopyWide(e.product);
        info->bus_type = HID_API_BUS_USB;
        *tail = info;
        tail = &info->next;
    }
    return head;
}

void hid_free_enumeration(hid_device_info* devs) {
    while (devs != nullptr) {
        hid_device_info* next = devs->next;
        std::free(devs->path);
        std::free(devs->product_string);
        std::free(devs);
        devs = next;
    }
}

hid_device* hid_open_path(const char* path) {
    std::shared_ptr<fakehidapi::Model> model;
    {
        auto& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        ++registry.stats.openCalls;
        registry.stats.openedPaths.emplace_back(path != nullptr ? path : "");
        for (const auto& device : registry.devices) {
            if (path != nullptr && device.entry.path == path) {
                model = device.model;
            }
        }
    }
    uint64_t session = 0;
    if (!model || !model->Open(session)) {
        return nullptr;
    }
    auto* device = new hid_device_{model, session, false};
    std::lock_guard lock(TheRegistry().mutex);
    ++TheRegistry().stats.openHandles;
    return device;
}

void hid_close(hid_device* dev) {
    if (dev == nullptr) {
        return;
    }
    delete dev;
    std::lock_guard lock(TheRegistry().mutex);
    --TheRegistry().stats.openHandles;
}

int hid_write(hid_device* dev, const unsigned char* data, size_t length) {
    return dev->model->Write(dev->session, data, length);
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
    return dev->model->Read(dev->session, data, length, milliseconds);
}

int hid_read(hid_device* dev, unsigned char* data, size_t length) {
    return dev->model->Read(dev->session, data, length, dev->nonblocking ? 0 : -1);
}

int hid_set_nonblocking(hid_device* dev, int nonblock) {
    dev->nonblocking = nonblock != 0;
    return 0;
}

const wchar_t* hid_error(hid_device* dev) {
    (void)dev;
    return L"fake hidapi";
}

}  // extern "C"
