#pragma once

// The Win32 operations the HID back end is made of, behind one interface so that its tests can
// stand in for a device that Wine cannot show (pending writes, cancels, a device that leaves).
// Windows only.

// clang-format off
// windows.h first; mingw-w64's HID headers declare C functions without a C++ guard, and
// hidsdi.h brings hidpi.h after the usage types it needs.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}
// clang-format on

namespace orvane {

class IHidWin32Api {
public:
    virtual ~IHidWin32Api() = default;

    virtual void GetHidGuid(GUID* guid) = 0;
    // The present devices with the HID interface class (SetupDiGetClassDevsA with
    // DIGCF_PRESENT | DIGCF_DEVICEINTERFACE); INVALID_HANDLE_VALUE on failure.
    virtual HDEVINFO GetPresentInterfaces(const GUID* guid) = 0;
    virtual BOOL EnumDeviceInterfaces(HDEVINFO set, const GUID* guid, DWORD index,
                                      SP_DEVICE_INTERFACE_DATA* data) = 0;
    virtual BOOL GetDeviceInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                          SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                          DWORD detailSize, DWORD* requiredSize) = 0;
    virtual void DestroyDeviceInfoList(HDEVINFO set) = 0;

    // CreateFileA of an existing device, shared for reading and writing, no template.
    virtual HANDLE OpenDevice(const char* path, DWORD access, DWORD flags) = 0;
    virtual BOOL GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) = 0;
    virtual BOOL GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) = 0;
    virtual void FreePreparsedData(PHIDP_PREPARSED_DATA data) = 0;
    virtual NTSTATUS GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) = 0;

    // Overlapped I/O on `device`: TRUE when done at once; FALSE with LastError() telling
    // ERROR_IO_PENDING from a failure.
    virtual BOOL WriteFile(HANDLE device, const void* buf, DWORD len, OVERLAPPED* ov) = 0;
    virtual BOOL ReadFile(HANDLE device, void* buf, DWORD len, OVERLAPPED* ov) = 0;
    virtual DWORD LastError() = 0;
    virtual DWORD WaitForSingleObject(HANDLE event, DWORD ms) = 0;
    virtual BOOL GetOverlappedResult(HANDLE device, OVERLAPPED* ov, DWORD* transferred,
                                     BOOL wait) = 0;
    virtual BOOL CancelIo(HANDLE device) = 0;
    virtual void CloseHandle(HANDLE handle) = 0;
};

// The real operations.
IHidWin32Api& SystemHidWin32Api();

}  // namespace orvane
