#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/HidBackend.h"

// The USB HID link: messages travel in 64-byte reports whose byte 0 is a position code
// (1 only, 2 first, 3 middle, 4 last). Plain class, one process-wide instance (g_hidLink).
// Not thread-safe: every call on the thread that owns the link (Load, then the worker).
class CHidLink {
public:
    static constexpr uint32_t kReportSize = 64;
    static constexpr uint32_t kPayloadSize = 63;
    static constexpr uint32_t kMessageMax = 1024;
    static constexpr uint32_t kReadWaitMs = 500;
    // A report wait is served in slices of this many ms, so that a stop ends it within one.
    static constexpr uint32_t kReadSliceMs = 20;

    // Uses the platform's HID back end.
    CHidLink();
    // Uses `backend` (tests, the simulated device); the caller keeps it alive.
    explicit CHidLink(orvane::IHidBackend* backend);
    CHidLink(const CHidLink&) = delete;
    CHidLink& operator=(const CHidLink&) = delete;

    // Drops a held device, then opens the first present device with both ids (ids above 0xFFFF
    // never match). Returns 1 when open, 0 when no device was opened (the link is then closed).
    // Paths of 1024 characters or more are skipped; a matching device whose report lengths are
    // not 64 ends the search with 0. DevicePath() keeps the last path opened while searching.
    int Open(uint32_t vid, uint32_t pid);
    // Cuts `n` (>= 1) message bytes into reports with position codes and sends them; a last
    // report keeps the tail bytes of the report before it. Returns 1 (also on a closed link,
    // where nothing is sent, and when a write fails at once), 0 when the device did not take a
    // report (IHidDevice::Write gave 0; the reports after it are not sent). n == 0 sends nothing.
    int WriteMessage(const uint8_t* data, uint32_t n);
    // Sends whole 64-byte report images as they stand, ceil(n / 64) of them: the last one too
    // is 64 bytes, so `data` must hold 64 * ceil(n / 64) readable bytes (the caller zero-fills
    // the tail). n == 0 sends nothing and returns 1. Returns as WriteMessage.
    int WriteRaw(const uint8_t* data, uint32_t n);
    // Reads one 64-byte report into `report` (64 bytes), waiting at most `waitMs` on
    // orvane::Clock() in slices of at most kReadSliceMs. Returns 1 when a report arrived or
    // nothing came in time (byte 0 of `report` is then 0, the rest untouched), 0 when the read
    // failed at once, the link is closed, or a stop request on the clock ended the wait.
    int ReadReport(uint8_t* report, uint32_t waitMs);
    // Joins reports into one message and copies it to `dest`, at most `capacity` bytes. Returns
    // the count (also stored in *pCount); 0 when nothing usable arrived: silence or a failed
    // read before the last report, a length field the reports cannot carry (a share below 1 or
    // above 63, more than 1024 bytes in all), or a first report with a code above 4. `dest` is
    // only written when the count is above 0. Any 500 ms silence ends the call.
    uint32_t ReadMessage(uint8_t* dest, uint32_t* pCount, uint32_t capacity = kMessageMax);

    bool IsOpen() const { return m_hDevice != nullptr; }
    uint32_t VendorId() const { return m_nVendorId; }
    uint32_t ProductId() const { return m_nProductId; }
    const char* DevicePath() const { return m_szDevicePath; }
    // Replaces the back end (drops a held device first). nullptr selects the platform's.
    void SetBackend(orvane::IHidBackend* backend);

private:
    uint32_t m_nVendorId = 0;
    uint32_t m_nProductId = 0;
    orvane::IHidBackend* m_pBackend = nullptr;
    std::unique_ptr<orvane::IHidDevice> m_hDevice;
    char m_szDevicePath[1024] = {};
};

extern CHidLink g_hidLink;
