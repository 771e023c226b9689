// The HID back end on hidapi. Written against <hidapi.h> alone, so that tests can build it
// against a stand-in library of their own.
//
// Every call is made on the thread that owns the link (Load, then the worker); hidapi is not
// asked to cope with two threads on one device.
#include <hidapi.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/HidEnum.h"

namespace orvane {

namespace {

// hidapi 0.13.1 has no capability query: the protocol's 64 bytes, report id included, stand
// for both report lengths.
constexpr uint32_t kReportLength = 64;

bool InitHidapiOnce() {
    static const bool ok = hid_init() == 0;
    return ok;
}

class HidapiDevice final : public IHidDevice {
public:
    explicit HidapiDevice(hid_device* device) : m_device(device) {}
    ~HidapiDevice() override { hid_close(m_device); }
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    // hid_write blocks until the report is handed to the driver or fails at once (-1, e.g.
    // when the device is gone); there is no pending state to give up on.
    int Write(const uint8_t* report, size_t len) override {
        const int written = hid_write(m_device, report, len);
        return written < 0 ? -1 : written;
    }

    // Byte 0 of `report` receives the report id. -1 at once once the device is gone.
    int Read(uint8_t* report, size_t len, int timeoutMs) override {
        const int got = hid_read_timeout(m_device, report, len, timeoutMs < 0 ? 0 : timeoutMs);
        return got < 0 ? -1 : got;
    }

    uint32_t InputReportLength() const override { return kReportLength; }
    uint32_t OutputReportLength() const override { return kReportLength; }

private:
    hid_device* m_device;
};

class HidapiBackend final : public IHidBackend {
public:
    explicit HidapiBackend(HidEnumerator enumerate) : m_enumerate(std::move(enumerate)) {}

    std::vector<HidDeviceInfo> Enumerate() override {
        return m_enumerate ? m_enumerate() : std::vector<HidDeviceInfo>{};
    }

    std::unique_ptr<IHidDevice> OpenPath(const std::string& path) override {
#if defined(__linux__)
        // hid_open_path of hidapi 0.13.1 on anything but a hidraw node frees memory it then
        // uses; such a path never reaches it.
        if (!IsHidrawNodePath(path)) {
            return nullptr;
        }
#endif
        if (!InitHidapiOnce()) {
            return nullptr;
        }
        hid_device* device = hid_open_path(path.c_str());
        if (device == nullptr) {
            return nullptr;
        }
        return std::make_unique<HidapiDevice>(device);
    }

private:
    HidEnumerator m_enumerate;
};

}  // namespace

std::vector<HidDeviceInfo> EnumeratePlatformHid() {
#if defined(__linux__)
    // Not hid_enumerate: in hidapi 0.13.1 it can dereference a missing uevent while a device
    // restarts.
    return EnumerateHidrawSysfs("/sys/class/hidraw", "/dev");
#else
    return EnumerateWithHidapi();
#endif
}

std::unique_ptr<IHidBackend> MakeHidapiBackend(HidEnumerator enumerate) {
    return std::make_unique<HidapiBackend>(std::move(enumerate));
}

IHidBackend& SystemHidBackend() {
    static const std::unique_ptr<IHidBackend> backend = MakeHidapiBackend(EnumeratePlatformHid);
    return *backend;
}

}  // namespace orvane
