#include "tests/win32/FakeHidWin32Api.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace win32test {

namespace {

constexpr uintptr_t kPreparsedBase = 0x5000;
const auto kSet = reinterpret_cast<HDEVINFO>(static_cast<uintptr_t>(0x77));

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(value));
    return text;
}

}  // namespace

void FakeHidWin32Api::GetHidGuid(GUID* guid) {
    *guid = GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}

HDEVINFO FakeHidWin32Api::GetPresentInterfaces(const GUID* /*guid*/) {
    return classDevsFail ? INVALID_HANDLE_VALUE : kSet;
}

BOOL FakeHidWin32Api::EnumDeviceInterfaces(HDEVINFO set, const GUID* /*guid*/, DWORD index,
                                           SP_DEVICE_INTERFACE_DATA* data) {
    if (set != kSet || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ||
        index >= devices.size()) {
        m_lastError = ERROR_NO_MORE_ITEMS;
        return FALSE;
    }
    data->Reserved = index;
    return TRUE;
}

BOOL FakeHidWin32Api::GetDeviceInterfaceDetail(HDEVINFO /*set*/, SP_DEVICE_INTERFACE_DATA* data,
                                               SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail,
                                               DWORD detailSize, DWORD* requiredSize) {
    const std::size_t index = data->Reserved;
    if (static_cast<int>(index) == detailFailsAt || index >= devices.size()) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    const std::string& path = devices[index].path;
    const DWORD required = static_cast<DWORD>(
        offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
    if (requiredSize != nullptr) {
        *requiredSize = required;
    }
    if (detail == nullptr || detailSize < required) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        m_lastError = ERROR_INVALID_USER_BUFFER;
        return FALSE;
    }
    std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    return TRUE;
}

void FakeHidWin32Api::DestroyDeviceInfoList(HDEVINFO /*set*/) {
    log.push_back("Destroy set");
}

HANDLE FakeHidWin32Api::OpenDevice(const char* path, DWORD access, DWORD flags) {
    log.push_back("OpenDevice " + std::string(path) + " " + Hex(access) + " " + Hex(flags));
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].path != path) {
            continue;
        }
        if (access == 0 ? !devices[i].queryOpens : !devices[i].rwOpens) {
            break;
        }
        const auto handle = reinterpret_cast<HANDLE>(m_nextHandle++);
        m_handles[handle] = i;
        ++openHandles;
        return handle;
    }
    m_lastError = ERROR_FILE_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
}

FakeDevice* FakeHidWin32Api::DeviceOf(HANDLE handle) {
    const auto found = m_handles.find(handle);
    return found == m_handles.end() ? nullptr : &devices[found->second];
}

BOOL FakeHidWin32Api::GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) {
    FakeDevice* d = DeviceOf(device);
    if (d == nullptr || !d->attributesOk || attributes->Size != sizeof(HIDD_ATTRIBUTES)) {
        return FALSE;
    }
    attributes->VendorID = d->vendorId;
    attributes->ProductID = d->productId;
    return TRUE;
}

BOOL FakeHidWin32Api::GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* data) {
    const auto found = m_handles.find(device);
    if (found == m_handles.end() || !devices[found->second].preparsedOk) {
        return FALSE;
    }
    *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(kPreparsedBase + found->second);
    return TRUE;
}

void FakeHidWin32Api::FreePreparsedData(PHIDP_PREPARSED_DATA /*data*/) {
    ++freedPreparsed;
}

NTSTATUS FakeHidWin32Api::GetCaps(PHIDP_PREPARSED_DATA data, HIDP_CAPS* caps) {
    const std::size_t index = reinterpret_cast<uintptr_t>(data) - kPreparsedBase;
    if (index >= devices.size() || !devices[index].capsOk) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    caps->InputReportByteLength = devices[index].inputLength;
    caps->OutputReportByteLength = devices[index].outputLength;
    return HIDP_STATUS_SUCCESS;
}

BOOL FakeHidWin32Api::WriteFile(HANDLE device, const void* buf, DWORD len, OVERLAPPED* ov) {
    log.push_back("WriteFile");
    m_writeOv = ov;
    const Outcome outcome = writes.empty() ? Outcome{} : writes.front();
    if (!writes.empty()) {
        writes.pop_front();
    }
    if (DeviceOf(device) == nullptr) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (outcome.kind == Outcome::kFail) {
        m_lastError = outcome.error;
        return FALSE;
    }
    Report report{};
    std::memcpy(report.data(), buf, std::min<std::size_t>(len, report.size()));
    written.push_back(report);
    InFlight flight{outcome, nullptr, static_cast<const uint8_t*>(buf), len, false, false};
    m_flights[ov] = flight;
    if (outcome.kind == Outcome::kDone) {
        Finish(ov, m_flights[ov]);
        return TRUE;
    }
    m_lastError = ERROR_IO_PENDING;
    return FALSE;
}

BOOL FakeHidWin32Api::ReadFile(HANDLE device, void* buf, DWORD len, OVERLAPPED* ov) {
    log.push_back("ReadFile");
    m_readOv = ov;
    Outcome outcome;
    outcome.kind = Outcome::kPendingStuck;
    if (!reads.empty()) {
        outcome = reads.front();
        reads.pop_front();
    }
    if (DeviceOf(device) == nullptr) {
        m_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (outcome.kind == Outcome::kFail) {
        m_lastError = outcome.error;
        return FALSE;
    }
    m_flights[ov] = InFlight{outcome, static_cast<uint8_t*>(buf), nullptr, len, false, false};
    if (outcome.kind == Outcome::kDone) {
        Finish(ov, m_flights[ov]);
        return TRUE;
    }
    m_lastError = ERROR_IO_PENDING;
    return FALSE;
}

void FakeHidWin32Api::Finish(OVERLAPPED* ov, InFlight& flight) {
    const bool delivers = flight.outcome.kind == Outcome::kDone ||
                          flight.outcome.kind == Outcome::kPendingDone ||
                          flight.outcome.kind == Outcome::kPendingWithCancel;
    if (flight.buffer != nullptr && delivers) {
        std::memcpy(flight.buffer, flight.outcome.report.data(),
                    std::min<std::size_t>(flight.length, flight.outcome.report.size()));
    }
    flight.finished = true;
    ::SetEvent(ov->hEvent);
}

FakeHidWin32Api::InFlight* FakeHidWin32Api::FlightOf(HANDLE event, const char** which) {
    for (auto& [ov, flight] : m_flights) {
        if (ov->hEvent == event) {
            *which = ov == m_readOv ? "read" : "write";
            return &flight;
        }
    }
    *which = "none";
    return nullptr;
}

DWORD FakeHidWin32Api::WaitForSingleObject(HANDLE event, DWORD ms) {
    const char* which = nullptr;
    InFlight* flight = FlightOf(event, &which);
    log.push_back(std::string("Wait ") + which + " " + std::to_string(ms));
    if (flight == nullptr) {
        return WAIT_TIMEOUT;
    }
    if (flight->finished) {
        return WAIT_OBJECT_0;
    }
    OVERLAPPED* ov = nullptr;
    for (auto& [key, value] : m_flights) {
        if (&value == flight) {
            ov = key;
        }
    }
    switch (flight->outcome.kind) {
        case Outcome::kPendingDone:
        case Outcome::kPendingFail:
            Finish(ov, *flight);
            return WAIT_OBJECT_0;
        case Outcome::kPendingStuck:
        case Outcome::kPendingWithCancel:
            if (flight->cancelled) {
                Finish(ov, *flight);
                return WAIT_OBJECT_0;
            }
            break;
        default:
            break;
    }
    if (clock != nullptr) {
        clock->Advance(ms);
    }
    return WAIT_TIMEOUT;
}

BOOL FakeHidWin32Api::GetOverlappedResult(HANDLE /*device*/, OVERLAPPED* ov, DWORD* transferred,
                                          BOOL /*wait*/) {
    const auto found = m_flights.find(ov);
    if (found == m_flights.end() || !found->second.finished) {
        m_lastError = ERROR_IO_INCOMPLETE;
        return FALSE;
    }
    const InFlight flight = found->second;
    m_flights.erase(found);
    if (flight.outcome.kind == Outcome::kPendingFail) {
        m_lastError = flight.outcome.error;
        return FALSE;
    }
    if (flight.outcome.kind == Outcome::kPendingStuck && flight.cancelled) {
        m_lastError = ERROR_OPERATION_ABORTED;
        return FALSE;
    }
    *transferred = flight.length;
    return TRUE;
}

BOOL FakeHidWin32Api::CancelIo(HANDLE /*device*/) {
    log.push_back("CancelIo");
    for (auto& [ov, flight] : m_flights) {
        if (!flight.finished && flight.outcome.kind == Outcome::kPendingNoCancel) {
            return FALSE;
        }
    }
    for (auto& [ov, flight] : m_flights) {
        flight.cancelled = true;
    }
    return TRUE;
}

void FakeHidWin32Api::CloseHandle(HANDLE handle) {
    if (m_handles.erase(handle) != 0) {
        --openHandles;
        log.push_back("CloseHandle device");
    }
}

void FakeHidWin32Api::FinishPendingWrite() {
    const auto found = m_flights.find(m_writeOv);
    if (found != m_flights.end() && !found->second.finished) {
        found->second.outcome.kind = Outcome::kDone;
        Finish(found->first, found->second);
    }
}

std::vector<uint8_t> FakeHidWin32Api::PendingWriteBytes() const {
    const auto found = m_flights.find(m_writeOv);
    if (found == m_flights.end() || found->second.finished || found->second.source == nullptr) {
        return {};
    }
    return {found->second.source, found->second.source + found->second.length};
}

}  // namespace win32test
