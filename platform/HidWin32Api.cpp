#include "platform/HidWin32Api.h"

namespace orvane {

namespace {

class SystemApi final : public IHidWin32Api {
public:
    void GetHidGuid(GUID* guid) override { ::HidD_GetHidGuid(guid); }
    HDEVINFO GetPresentInterfaces(const GUID* guid) override {
        return ::SetupDiGetClassDevsA(guid, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    }
    BOOL EnumDeviceInterfaces(HDEVINFO set, const GUID* guid, DWORD index,
                              SP_DEVICE_INTERFACE_DATA* data) override {
        return ::SetupDiEnumDeviceInterfaces(set, nullptr, guid, index, data);
    }
    BOOL GetDeviceInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                  SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                                  DWORD* requiredSize) override {
        return ::SetupDiGetDeviceInterfaceDetailA(set, data, detail, detailSize, requiredSize,
                                                  nullptr);
    }
    void DestroyDeviceInfoList(HDEVINFO set) override { ::SetupDiDestroyDeviceInfoList(set); }
    HANDLE OpenDevice(const char* path, DWORD access, DWORD flags) override {
        return ::CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, flags, nullptr);
    }
    BOOL GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) override {
        return ::HidD_GetAttributes(device, attributes);
    }
    BOOL GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) override {
        return ::HidD_GetPreparsedData(device, data);
    }
    void FreePreparsedData(PHIDP_PREPARSED_DATA data) override { ::HidD_FreePreparsedData(data); }
    NTSTATUS GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) override {
        return ::HidP_GetCaps(data, caps);
    }
    BOOL WriteFile(HANDLE device, const void* buf, DWORD len, OVERLAPPED* ov) override {
        return ::WriteFile(device, buf, len, nullptr, ov);
    }
    BOOL ReadFile(HANDLE device, void* buf, DWORD len, OVERLAPPED* ov) override {
        return ::ReadFile(device, buf, len, nullptr, ov);
    }
    DWORD LastError() override { return ::GetLastError(); }
    DWORD WaitForSingleObject(HANDLE event, DWORD ms) override {
        return ::WaitForSingleObject(event, ms);
    }
    BOOL GetOverlappedResult(HANDLE device, OVERLAPPED* ov, DWORD* transferred,
                             BOOL wait) override {
        return ::GetOverlappedResult(device, ov, transferred, wait);
    }
    BOOL CancelIo(HANDLE device) override { return ::CancelIo(device); }
    void CloseHandle(HANDLE handle) override { ::CloseHandle(handle); }
};

}  // namespace

IHidWin32Api& SystemHidWin32Api() {
    static SystemApi api;
    return api;
}

}  // namespace orvane
