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
