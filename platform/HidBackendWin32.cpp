#include "platform/HidBackendWin32.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/HidDeviceWin32.h"

namespace orvane {

namespace {

// Bounds on what SetupAPI hands back; nothing real comes near them.
constexpr DWORD kMaxInterfaces = 4096;
constexpr DWORD kMaxDetailSize = 64 * 1024;

class Win32HidBackend final : public IHidBackend {
public:
    explicit Win32HidBackend(IHidWin32Api& api) : m_api(api) {}

    std::vector<HidDeviceInfo> Enumerate() override {
        std::vector<HidDeviceInfo> devices;
        GUID guid{};
        m_api.GetHidGuid(&guid);
        HDEVINFO set = m_api.GetPresentInterfaces(&guid);
        if (set == INVALID_HANDLE_VALUE) {
            return devices;
        }
        for (DWORD index = 0; index < kMaxInterfaces; ++index) {
            SP_DEVICE_INTERFACE_DATA data{};
            data.cbSize = sizeof(data);
            if (!m_api.EnumDeviceInterfaces(set, &guid, index, &data)) {
                break;
            }
            std::string path;
            if (!ReadPath(set, &data, path)) {
                break;  // as the link has always done: the search ends at an unreadable record
            }
            HidDeviceInfo info;
            if (ReadIds(path, info)) {
                info.path = std::move(path);
                devices.push_back(std::move(info));
            }
        }
        m_api.DestroyDeviceInfoList(set);
        return devices;
    }

    std::unique_ptr<IHidDevice> OpenPath(const std::string& path) override {
        if (path.empty()) {
            return nullptr;
        }
        HANDLE handle =
            m_api.OpenDevice(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_FLAG_OVERLAPPED);
        if (handle == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        uint32_t inputLength = 0;
        uint32_t outputLength = 0;
        PHIDP_PREPARSED_DATA preparsed = nullptr;
        if (m_api.GetPreparsedData(handle, &preparsed)) {
            HIDP_CAPS caps{};
            if (m_api.GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS) {
                inputLength = caps.InputReportByteLength;
                outputLength = caps.OutputReportByteLength;
            }
            m_api.FreePreparsedData(preparsed);
        }
        return HidDeviceWin32::Make(m_api, handle, inputLength, outputLength);
    }

private:
    bool ReadPath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data, std::string& path) {
        DWORD required = 0;
        m_api.GetDeviceInterfaceDetail(set, data, nullptr, 0, &required);
        constexpr DWORD kHeader = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
        if (required <= kHeader || required > kMaxDetailSize) {
            return false;
        }
        // 8-byte units: the record is aligned as the 64-bit SetupAPI wants it.
        std::vector<uint64_t> storage((required + 7) / 8);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!m_api.GetDeviceInterfaceDetail(set, data, detail, required, nullptr)) {
            return false;
        }
        const char* text = detail->DevicePath;
        path.assign(text, strnlen(text, required - kHeader));
        return !path.empty();
    }

    bool ReadIds(const std::string& path, HidDeviceInfo& info) {
        HANDLE query = m_api.OpenDevice(path.c_str(), 0, 0);
        if (query == INVALID_HANDLE_VALUE) {
            return false;
        }
        HIDD_ATTRIBUTES attributes{};
        attributes.Size = sizeof(attributes);
        const bool ok = m_api.GetAttributes(query, &attributes) != FALSE;
        m_api.CloseHandle(query);
        if (ok) {
            info.vendorId = attributes.VendorID;
            info.productId = attributes.ProductID;
        }
        return ok;
    }

    IHidWin32Api& m_api;
};

}  // namespace

std::unique_ptr<IHidBackend> MakeWin32HidBackend(IHidWin32Api& api) {
    return std::make_unique<Win32HidBackend>(api);
}

IHidBackend& SystemHidBackend() {
    static const std::unique_ptr<IHidBackend> backend = MakeWin32HidBackend(SystemHidWin32Api());
    return *backend;
}

}  // namespace orvane
