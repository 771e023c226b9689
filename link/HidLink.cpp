#include "link/HidLink.h"

#include <algorithm>
#include <cstring>

#include "link/MessageFrame.h"
#include "platform/Clock.h"

namespace {

constexpr uint8_t kCodeOnly = 1;
constexpr uint8_t kCodeFirst = 2;
constexpr uint8_t kCodeMiddle = 3;
constexpr uint8_t kCodeLast = 4;

// Every write goes out of a buffer this large, zero-filled once per call.
constexpr uint32_t kWriteBufferSize = 512;
// The longest message the 16-bit length field can describe, in reports; a sender that goes on
// past it is not sending a message of ours, and ReadMessage stops listening.
constexpr uint32_t kMaxReportsPerMessage = (16U + 0xFFFFU + 62U) / 63U;

uint32_t FrameSize(const uint8_t* frameStart) {
    return frame::TotalSize(frameStart);
}

// Sends one 64-byte report. Returns 0 only when the device did not take it (Write gave 0), the
// stand-in for a write still pending after 100 ms: hidapi writes block until the report is
// handed over or fail at once, so with it this never happens. A failed write (-1, device gone)
// and a closed link count as sent: the link ignores writes that fail at once.
int SendReport(orvane::IHidDevice* device, const uint8_t* report) {
    if (device == nullptr) {
        return 1;
    }
    return device->Write(report, CHidLink::kReportSize) == 0 ? 0 : 1;
}

}  // namespace

CHidLink::CHidLink() = default;

CHidLink::CHidLink(orvane::IHidBackend* backend) : m_pBackend(backend) {}

void CHidLink::SetBackend(orvane::IHidBackend* backend) {
    m_hDevice.reset();
    m_pBackend = backend;
}

int CHidLink::Open(uint32_t vid, uint32_t pid) {
    m_nVendorId = vid;
    m_nProductId = pid;
    m_hDevice.reset();

    orvane::IHidBackend& backend = m_pBackend != nullptr ? *m_pBackend : orvane::SystemHidBackend();
    for (const orvane::HidDeviceInfo& info : backend.Enumerate()) {
        // A path that does not fit m_szDevicePath with its NUL is skipped: cutting it would
        // name another node, or none.
        if (info.path.size() >= sizeof(m_szDevicePath)) {
            continue;
        }
        // Another station's device is not even opened.
        if (!m_pin.Empty() && !m_pin.Matches(info)) {
            continue;
        }
        std::unique_ptr<orvane::IHidDevice> device = backend.OpenPath(info.path);
        if (!device) {
            continue;
        }
        std::memset(m_szDevicePath, 0, sizeof(m_szDevicePath));
        std::memcpy(m_szDevicePath, info.path.c_str(), info.path.size() + 1);
        if (info.vendorId != vid || info.productId != pid) {
            continue;  // the handle closes here
        }
        // The first device with both ids ends the search. Its reports must be the protocol's
        // 64 bytes: the buffers are built for them, so another size is refused like a device
        // whose capabilities cannot be read.
        if (device->InputReportLength() != kReportSize ||
            device->OutputReportLength() != kReportSize) {
            return 0;
        }
        m_hDevice = std::move(device);
        return 1;
    }
    return 0;
}

int CHidLink::WriteMessage(const uint8_t* data, uint32_t n) {
    if (data == nullptr || n == 0) {
        return 1;
    }
    uint8_t buffer[kWriteBufferSize] = {};
    const uint32_t count = n / kPayloadSize + (n % kPayloadSize != 0 ? 1 : 0);
    const uint8_t* source = data;
    for (uint32_t index = 0; index < count; ++index) {
        uint8_t code = kCodeMiddle;
        if (count == 1) {
            code = kCodeOnly;
        } else if (index == 0) {
            code = kCodeFirst;
        } else if (index == count - 1) {
            code = kCodeLast;
        }
        const uint32_t share = std::min(kPayloadSize, n - index * kPayloadSize);
        buffer[0] = code;
        std::memcpy(buffer + 1, source, share);
        source += share;
        if (SendReport(m_hDevice.get(), buffer) == 0) {
            return 0;
        }
    }
    return 1;
}

int CHidLink::WriteRaw(const uint8_t* data, uint32_t n) {
    // A closed link sends nothing, so it has no reason to read the caller's bytes either.
    if (data == nullptr || n == 0 || !m_hDevice) {
        return 1;
    }
    uint8_t buffer[kWriteBufferSize] = {};
    const uint32_t count = (n - 1) / kReportSize + 1;
    for (uint32_t index = 0; index < count; ++index) {
        // Whole 64-byte images, the last one too: the caller's buffer holds them all.
        std::memcpy(buffer, data + static_cast<size_t>(index) * kReportSize, kReportSize);
        if (SendReport(m_hDevice.get(), buffer) == 0) {
            return 0;
        }
    }
    return 1;
}

int CHidLink::ReadReport(uint8_t* report, uint32_t waitMs) {
    uint8_t local[kReportSize] = {};
    report[0] = 0;
    if (!m_hDevice) {
        return 0;
    }
    orvane::IClock& clock = orvane::Clock();
    // The fine counter, not the millisecond tick: a tick taken just before it moves on would
    // cut the wait short by up to a millisecond.
    const int64_t start = clock.HighResCounter();
    const int64_t perSecond = std::max<int64_t>(clock.HighResFrequency(), 1);
    // Bounds the loop should a device return early without time passing.
    const uint32_t maxSlices = waitMs / kReadSliceMs + 2;
    for (uint32_t slice = 0; slice < maxSlices; ++slice) {
        if (clock.StopRequested()) {
            return 0;  // abandoned: the caller is giving up
        }
        const int64_t elapsed = (clock.HighResCounter() - start) * 1000 / perSecond;
        const uint32_t remaining =
            elapsed < waitMs ? waitMs - static_cast<uint32_t>(std::max<int64_t>(elapsed, 0)) : 0;
        const uint32_t sliceMs = std::min(remaining, kReadSliceMs);
        const int got = m_hDevice->Read(local, kReportSize, static_cast<int>(sliceMs));
        if (got < 0) {
            // At once: the read failed. Later: the wait ended without a report.
            return slice == 0 ? 0 : 1;
        }
        if (got > 0) {
            std::memcpy(report, local, kReportSize);
            return 1;
        }
        if (remaining <= sliceMs) {
            return 1;  // the whole wait passed in silence
        }
    }
    return 1;
}

uint32_t CHidLink::ReadMessage(uint8_t* dest, uint32_t* pCount, uint32_t capacity) {
    uint8_t message[kMessageMax] = {};
    uint32_t joined = 0;
    uint32_t reports = 0;
    uint32_t take = 0;
    bool takeSet = false;
    bool complete = false;
    bool usable = true;  // false once the reports break the message's bounds

    for (;;) {
        uint8_t report[kReportSize] = {};
        if (ReadReport(report, kReadWaitMs) == 1) {
            ++reports;
        }
        const uint8_t code = report[0];
        if (code == 0) {
            break;
        }
        const uint8_t* payload = report + 1;
        if (code == kCodeOnly) {
            const uint32_t size = payload[9] != 0 ? 15U : FrameSize(payload);
            take = size;
            takeSet = true;
            if (size > kPayloadSize) {
                usable = false;  // announces more than one report carries
            }
        } else if (code == kCodeFirst || code == kCodeMiddle) {
            take = kPayloadSize;
            takeSet = true;
        } else if (code == kCodeLast) {
            // The length field was joined from the first report; with none before, the
            // zero-filled buffer gives L = 0.
            const int64_t share = static_cast<int64_t>(FrameSize(message)) -
                                  static_cast<int64_t>(kPayloadSize) * (reports - 1);
            take = share > 0 ? static_cast<uint32_t>(share) : 0;
            takeSet = true;
            if (share < 1 || share > kPayloadSize) {
                usable = false;
            }
        } else if (!takeSet) {
            usable = false;  // an unknown code with no share before it to repeat
        }

        if (usable && take > 0) {
            if (take > kMessageMax - joined) {
                usable = false;  // the message outgrows the buffer
            } else {
                std::memcpy(message + joined, payload, take);
                joined += take;
            }
        }
        if (code == kCodeOnly || code == kCodeLast) {
            complete = true;
            break;
        }
        if (reports >= kMaxReportsPerMessage) {
            usable = false;
            break;
        }
    }

    // A message cut off by silence or a failed read, or one that broke its bounds, is handed
    // over as nothing: callers read bytes 10 and 11, which such a message cannot vouch for.
    uint32_t count = 0;
    if (complete && usable && dest != nullptr) {
        count = std::min(joined, capacity);
        if (count > 0) {
            std::memcpy(dest, message, count);
        }
    }
    if (pCount != nullptr) {
        *pCount = count;
    }
    return count;
}
