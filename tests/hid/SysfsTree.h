#pragma once

// A throw-away /sys/class/hidraw look-alike in a temporary directory.

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace hidtest {

class SysfsTree {
public:
    SysfsTree() {
        static std::atomic<int> serial{0};
        m_root = std::filesystem::temp_directory_path() /
                 ("hid-sysfs-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(m_root);
    }
    ~SysfsTree() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    SysfsTree(const SysfsTree&) = delete;
    SysfsTree& operator=(const SysfsTree&) = delete;

    std::string ClassDir() const { return m_root.string(); }

    // An entry `name` whose device/uevent holds `uevent`; an empty `uevent` leaves the file out.
    void Add(const std::string& name, const std::string& uevent) {
        const std::filesystem::path device = m_root / name / "device";
        std::filesystem::create_directories(device);
        if (!uevent.empty()) {
            std::ofstream(device / "uevent", std::ios::binary) << uevent;
        }
    }
    // A hidraw entry as the kernel writes it for a USB HID device.
    void AddHidraw(unsigned number, uint16_t vid, uint16_t pid, const std::string& name) {
        char id[32];
        std::snprintf(id, sizeof(id), "0003:%08X:%08X", vid, pid);
        Add("hidraw" + std::to_string(number),
            "DRIVER=hid-generic\nHID_ID=" + std::string(id) + "\nHID_NAME=" + name +
                "\nHID_PHYS=usb-0000:00:14.0-2/input0\nHID_UNIQ=\nMODALIAS=hid:b0003\n");
    }
    void Remove(const std::string& name) {
        std::error_code ignored;
        std::filesystem::remove_all(m_root / name, ignored);
    }

private:
    std::filesystem::path m_root;
};

}  // namespace hidtest
