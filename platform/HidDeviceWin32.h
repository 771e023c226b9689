#pragma once

#include <cstdint>
#include <memory>

#include "platform/HidBackend.h"
#include "platform/HidWin32Api.h"

namespace orvane {

// One HID device opened for overlapped I/O through `api`. Windows only.
//
// Write: one output report; a write still pending after kWritePendingMs gives 0 and is left
// pending (its buffer stays with this object); the next write first gives it the same time.
// Read: one input report within the wait; a read still pending at the end of the wait is
// cancelled (CancelIo) and settled, so that a report that came with the cancel is not lost.
// A device gone (ERROR_DEVICE_NOT_CONNECTED and the like) fails every later call at once (-1).
// Lengths of 0 stand for capabilities that could not be read; reads and writes then fail.
// Not thread-safe, like every IHidDevice; a read is started and cancelled on one thread.
class HidDeviceWin32 final : public IHidDevice {
public:
    static constexpr DWORD kWritePendingMs = 100;
    // Longest wait for a cancelled read to settle before it is left pending.
    static constexpr DWORD kCancelSettleMs = 100;
    // Longest report either way; a device with longer reports is refused by the link anyway.
    static constexpr uint32_t kMaxReport = 512;

    // Takes `handle`; nullptr when the events cannot be had (the handle is then closed).
    static std::unique_ptr<HidDeviceWin32> Make(IHidWin32Api& api, HANDLE handle,
                                                uint32_t inputLength, uint32_t outputLength);
    ~HidDeviceWin32() override;
    HidDeviceWin32(const HidDeviceWin32&) = delete;
    HidDeviceWin32& operator=(const HidDeviceWin32&) = delete;

    int Write(const uint8_t* report, size_t len) override;
    int Read(uint8_t* report, size_t len, int timeoutMs) override;
    uint32_t InputReportLength() const override { return m_inputLength; }
    uint32_t OutputReportLength() const override { return m_outputLength; }

    // The I/O records with their buffers. They outlive the device while the driver may still
    // write to them (an I/O that did not settle when the device was closed).
    struct Io;

private:
    HidDeviceWin32(IHidWin32Api& api, HANDLE handle, uint32_t inputLength, uint32_t outputLength,
                   std::unique_ptr<Io> io);
    int FinishRead(uint8_t* report, size_t len);
    bool SettleWrite();
    int Fail(DWORD error);

    IHidWin32Api& m_api;
    HANDLE m_handle;
    uint32_t m_inputLength;
    uint32_t m_outputLength;
    std::unique_ptr<Io> m_io;
    bool m_gone = false;
};

// True for the errors of a device that has left the bus.
bool IsDeviceGoneError(DWORD error);

}  // namespace orvane
