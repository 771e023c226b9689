#include "platform/HidDeviceWin32.h"

#include <algorithm>
#include <cstring>

namespace orvane {

struct HidDeviceWin32::Io {
    // One record each way: a write left pending must not share its record with a read.
    OVERLAPPED readOv{};
    OVERLAPPED writeOv{};
    bool readPending = false;
    bool writePending = false;
    uint8_t readBuffer[kMaxReport] = {};
    uint8_t writeBuffer[kMaxReport] = {};

    ~Io() {
        for (HANDLE event : {readOv.hEvent, writeOv.hEvent}) {
            if (event != nullptr) {
                ::CloseHandle(event);
            }
        }
    }
};

bool IsDeviceGoneError(DWORD error) {
    switch (error) {
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_REMOVED:
        case ERROR_GEN_FAILURE:
        case ERROR_BAD_COMMAND:
        case ERROR_INVALID_HANDLE:
        case ERROR_FILE_NOT_FOUND:
            return true;
        default:
            return false;
    }
}

std::unique_ptr<HidDeviceWin32> HidDeviceWin32::Make(IHidWin32Api& api, HANDLE handle,
                                                     uint32_t inputLength, uint32_t outputLength) {
    auto io = std::make_unique<Io>();
    // Manual reset, initially signalled: every I/O resets its event before it starts.
    io->readOv.hEvent = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    io->writeOv.hEvent = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (io->readOv.hEvent == nullptr || io->writeOv.hEvent == nullptr) {
        api.CloseHandle(handle);
        return nullptr;
    }
    return std::unique_ptr<HidDeviceWin32>(
        new HidDeviceWin32(api, handle, inputLength, outputLength, std::move(io)));
}

HidDeviceWin32::HidDeviceWin32(IHidWin32Api& api, HANDLE handle, uint32_t inputLength,
                               uint32_t outputLength, std::unique_ptr<Io> io)
    : m_api(api),
      m_handle(handle),
      m_inputLength(inputLength),
      m_outputLength(outputLength),
      m_io(std::move(io)) {}

HidDeviceWin32::~HidDeviceWin32() {
    const bool pending = m_io->readPending || m_io->writePending;
    if (pending) {
        m_api.CancelIo(m_handle);
    }
    // Closing the handle cancels what another thread left pending on it as well.
    m_api.CloseHandle(m_handle);
    bool settled = true;
    if (m_io->readPending) {
        settled = m_api.WaitForSingleObject(m_io->readOv.hEvent, kCancelSettleMs) == WAIT_OBJECT_0;
    }
    if (m_io->writePending) {
        settled = settled &&
                  m_api.WaitForSingleObject(m_io->writeOv.hEvent, kCancelSettleMs) == WAIT_OBJECT_0;
    }
    if (!settled) {
        // The driver may still write into the records: they stay where they are for good.
        [[maybe_unused]] Io* kept = m_io.release();
    }
}

int HidDeviceWin32::Fail(DWORD error) {
    if (IsDeviceGoneError(error)) {
        m_gone = true;
    }
    return -1;
}

bool HidDeviceWin32::SettleWrite() {
    DWORD written = 0;
    const BOOL ok = m_api.GetOverlappedResult(m_handle, &m_io->writeOv, &written, FALSE);
    m_io->writePending = false;
    ::ResetEvent(m_io->writeOv.hEvent);
    if (!ok) {
        Fail(m_api.LastError());
        return false;
    }
    return true;
}

int HidDeviceWin32::Write(const uint8_t* report, size_t len) {
    if (m_gone || report == nullptr || m_outputLength == 0 || m_outputLength > kMaxReport) {
        return -1;
    }
    if (m_io->writePending) {
        // The report before still owns the buffer: it gets the same time to go out.
        if (m_api.WaitForSingleObject(m_io->writeOv.hEvent, kWritePendingMs) != WAIT_OBJECT_0) {
            return 0;
        }
        if (!SettleWrite() && m_gone) {
            return -1;
        }
    }
    const size_t count = std::min<size_t>(len, m_outputLength);
    std::memset(m_io->writeBuffer, 0, m_outputLength);
    std::memcpy(m_io->writeBuffer, report, count);
    ::ResetEvent(m_io->writeOv.hEvent);
    m_io->writeOv.Offset = 0;
    m_io->writeOv.OffsetHigh = 0;
    if (m_api.WriteFile(m_handle, m_io->writeBuffer, m_outputLength, &m_io->writeOv)) {
        return static_cast<int>(count);
    }
    const DWORD error = m_api.LastError();
    if (error != ERROR_IO_PENDING) {
        return Fail(error);
    }
    if (m_api.WaitForSingleObject(m_io->writeOv.hEvent, kWritePendingMs) != WAIT_OBJECT_0) {
        // Left pending, not cancelled: the report may still go out; the caller stops here.
        m_io->writePending = true;
        return 0;
    }
    m_io->writePending = true;
    return SettleWrite() ? static_cast<int>(count) : -1;
}

int HidDeviceWin32::FinishRead(uint8_t* report, size_t len) {
    DWORD got = 0;
    const BOOL ok = m_api.GetOverlappedResult(m_handle, &m_io->readOv, &got, FALSE);
    m_io->readPending = false;
    ::ResetEvent(m_io->readOv.hEvent);
    if (!ok) {
        const DWORD error = m_api.LastError();
        return error == ERROR_OPERATION_ABORTED ? 0 : Fail(error);
    }
    const size_t count = std::min<size_t>({static_cast<size_t>(got), len, m_inputLength});
    std::memcpy(report, m_io->readBuffer, count);
    return static_cast<int>(count);
}

int HidDeviceWin32::Read(uint8_t* report, size_t len, int timeoutMs) {
    if (m_gone || report == nullptr || m_inputLength == 0 || m_inputLength > kMaxReport) {
        return -1;
    }
    HANDLE event = m_io->readOv.hEvent;
    if (!m_io->readPending) {
        std::memset(m_io->readBuffer, 0, m_inputLength);
        ::ResetEvent(event);
        m_io->readOv.Offset = 0;
        m_io->readOv.OffsetHigh = 0;
        if (m_api.ReadFile(m_handle, m_io->readBuffer, m_inputLength, &m_io->readOv)) {
            return FinishRead(report, len);
        }
        const DWORD error = m_api.LastError();
        if (error != ERROR_IO_PENDING) {
            return Fail(error);
        }
        m_io->readPending = true;
    }
    const DWORD wait = timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs);
    if (m_api.WaitForSingleObject(event, wait) == WAIT_OBJECT_0) {
        return FinishRead(report, len);
    }
    if (!m_api.CancelIo(m_handle)) {
        // Still pending: the next read waits on it instead of starting another.
        ::ResetEvent(event);
        return -1;
    }
    // The cancel ends the read with or without a report; until then its buffer is the driver's.
    if (m_api.WaitForSingleObject(event, kCancelSettleMs) != WAIT_OBJECT_0) {
        return 0;
    }
    return FinishRead(report, len);
}

}  // namespace orvane
