#pragma once

// A stand-in for the Win32 HID and I/O calls: scripted devices and I/O outcomes, and a log of
// every call that waits or cancels, so that a test can assert the exact sequence. Events are
// real (the back end creates them); nothing here waits.

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/HidWin32Api.h"
#include "platform/VirtualClock.h"

namespace win32test {

using Report = std::array<uint8_t, 64>;

struct FakeDevice {
    std::string path;
    USHORT vendorId = 0x0ACD;
    USHORT productId = 0x3710;
    bool queryOpens = true;  // CreateFileA with no access rights
    bool rwOpens = true;     // CreateFileA for reading and writing
    bool attributesOk = true;
    bool preparsedOk = true;
    bool capsOk = true;
    USHORT inputLength = 64;
    USHORT outputLength = 64;
};

// What one ReadFile or WriteFile call does.
struct Outcome {
    enum Kind {
        kDone,               // finishes at once
        kFail,               // fails at once with `error`
        kPendingDone,        // pending; finishes within the wait
        kPendingFail,        // pending; finishes within the wait with `error`
        kPendingStuck,       // pending past the wait; a cancel settles it (reads: no report)
        kPendingWithCancel,  // pending past the wait; finishes with `report` as it is cancelled
        kPendingNoCancel,    // pending past the wait; CancelIo fails
    };
    Kind kind = kDone;
    Report report{};  // reads: the input report delivered
    DWORD error = 0;
};

class FakeHidWin32Api final : public orvane::IHidWin32Api {
public:
    std::vector<FakeDevice> devices;
    int detailFailsAt = -1;  // index whose detail record cannot be read
    bool classDevsFail = false;
    orvane::VirtualClock* clock = nullptr;  // moved on by each wait that times out
    std::deque<Outcome> writes;             // outcome of the next WriteFile calls; kDone once empty
    std::deque<Outcome> reads;  // outcome of the next ReadFile calls; kPendingStuck once empty

    // Calls as "Name arg": "OpenDevice <path> <access> <flags>", "WriteFile", "ReadFile",
    // "Wait write <ms>", "Wait read <ms>", "CancelIo", "CloseHandle device", "Destroy set".
    std::vector<std::string> log;
    std::vector<Report> written;  // reports as WriteFile found them in the caller's buffer
    int openHandles = 0;          // handles of the fake devices not closed yet
    int freedPreparsed = 0;

    // Lets a write that was left pending finish (its event signals).
    void FinishPendingWrite();
    // The buffer of the write in flight, as the driver still sees it; empty when none.
    std::vector<uint8_t> PendingWriteBytes() const;

    void GetHidGuid(GUID* guid) override;
    HDEVINFO GetPresentInterfaces(const GUID* guid) override;
    BOOL EnumDeviceInterfaces(HDEVINFO set, const GUID* guid, DWORD index,
                              SP_DEVICE_INTERFACE_DATA* data) override;
    BOOL GetDeviceInterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA* data,
                                  SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                                  DWORD* requiredSize) override;
    void DestroyDeviceInfoList(HDEVINFO set) override;
    HANDLE OpenDevice(const char* path, DWORD access, DWORD flags) override;
    BOOL GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) override;
    BOOL GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) override;
    void FreePreparsedData(PHIDP_PREPARSED_DATA data) override;
    NTSTATUS GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) override;
    BOOL WriteFile(HANDLE device, const void* buf, DWORD len, OVERLAPPED* ov) override;
    BOOL ReadFile(HANDLE device, void* buf, DWORD len, OVERLAPPED* ov) override;
    DWORD LastError() override { return m_lastError; }
    DWORD WaitForSingleObject(HANDLE event, DWORD ms) override;
    BOOL GetOverlappedResult(HANDLE device, OVERLAPPED* ov, DWORD* transferred, BOOL wait) override;
    BOOL CancelIo(HANDLE device) override;
    void CloseHandle(HANDLE handle) override;

private:
    struct InFlight {
        Outcome outcome;
        uint8_t* buffer = nullptr;
        const uint8_t* source = nullptr;
        DWORD length = 0;
        bool finished = false;  // the event has been signalled
        bool cancelled = false;
    };

    FakeDevice* DeviceOf(HANDLE handle);
    InFlight* FlightOf(HANDLE event, const char** which);
    void Finish(OVERLAPPED* ov, InFlight& flight);

    DWORD m_lastError = 0;
    std::map<HANDLE, std::size_t> m_handles;  // open fake handles -> device index
    std::map<OVERLAPPED*, InFlight> m_flights;
    OVERLAPPED* m_readOv = nullptr;
    OVERLAPPED* m_writeOv = nullptr;
    uintptr_t m_nextHandle = 0x1000;
};

}  // namespace win32test
