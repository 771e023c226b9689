#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orvane {

// A HID device as the enumeration sees it.
struct HidDeviceInfo {
    std::string path;  // what IHidBackend::OpenPath takes (a /dev/hidrawN node on Linux)
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string product;  // may be empty
    std::string serialNumber =
        {};  // the USB serial number (HID_UNIQ); empty when the device has none
    // The device's place in the USB topology ("1-1.4": bus 1, hub port 1, port 4), which stays
    // the same while the device restarts; empty when the platform cannot tell it.
    std::string portPath = {};
};

// Which physical device a station's download belongs to, taken from the HidDeviceInfo that found
// it: its port path where there is one, otherwise its serial number, otherwise its HID path
// (which does not survive a restart, but never names another device).
struct HidDeviceIdentity {
    std::string portPath = {};
    std::string serialNumber;
    std::string path;

    static HidDeviceIdentity Of(const HidDeviceInfo& info) {
        return {info.portPath, info.serialNumber, info.path};
    }
    bool Empty() const { return portPath.empty() && serialNumber.empty() && path.empty(); }
    // True when `info` is this device, by the first kind of identity this one has.
    bool Matches(const HidDeviceInfo& info) const {
        if (!portPath.empty()) {
            return info.portPath == portPath;
        }
        if (!serialNumber.empty()) {
            return info.serialNumber == serialNumber;
        }
        return !path.empty() && info.path == path;
    }
};

// One open HID device. Reports carry the report id (our position code) in byte 0.
// Not thread-safe: the link calls it from the one thread that owns the link.
class IHidDevice {
public:
    virtual ~IHidDevice() = default;
    // Writes one output report of `len` bytes. Returns the bytes written or -1 on failure
    // (device gone).
    virtual int Write(const uint8_t* report, size_t len) = 0;
    // Reads one input report into `report` (room for `len` bytes), waiting at most `timeoutMs`.
    // Returns the bytes read, 0 when nothing arrived in time, -1 on failure (device gone).
    virtual int Read(uint8_t* report, size_t len, int timeoutMs) = 0;
    // Report lengths in bytes, report-id byte included.
    virtual uint32_t InputReportLength() const = 0;
    virtual uint32_t OutputReportLength() const = 0;
};

// Finds and opens HID devices. One implementation per platform (hidapi, with a sysfs
// enumeration on Linux); the simulated device supplies one of its own.
class IHidBackend {
public:
    virtual ~IHidBackend() = default;
    // The present HID devices, in a stable enumeration order.
    virtual std::vector<HidDeviceInfo> Enumerate() = 0;
    // Opens a device found by Enumerate for reading and writing; nullptr on failure.
    virtual std::unique_ptr<IHidDevice> OpenPath(const std::string& path) = 0;
};

// The platform's HID back end (hidapi).
IHidBackend& SystemHidBackend();

}  // namespace orvane
