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

    // Uses the platform's HID back end.
    CHidLink();
    // Uses `backend` (tests, the simulated device); the caller keeps it alive.
    explicit CHidLink(orvane::IHidBackend* backend);
    CHidLink(const CHidLink&) = delete;
    CHidLink& operator=(const CHidLink&) = delete;

    // Drops a held device, then opens the first present device with both ids (ids above 0xFFFF
    // never match). Returns 1 when open, 0 when no device was opened (the link is then closed).
    int Open(uint32_t vid, uint32_t pid);
    // Cuts `n` (>= 1) message bytes into reports with position codes and sends them. Returns 1
    // (also on a closed link, where nothing is sent), 0 when a report could not be handed over.
    int WriteMessage(const uint8_t* data, uint32_t n);
    // Sends `n` bytes as they stand, 64 to a report; the last report is padded with zeros.
    // n == 0 sends nothing. Returns as WriteMessage.
    int WriteRaw(const uint8_t* data, uint32_t n);
    // Reads one 64-byte report, waiting at most `waitMs`. Returns 1 when a report arrived or
    // nothing came in time (byte 0 of `report` is then 0), 0 when the read failed at once.
    int ReadReport(uint8_t* report, uint32_t waitMs);
    // Joins reports into one message and copies it to `dest`, at most `capacity` bytes. Returns
    // the count (also stored in *pCount); 0 when nothing usable arrived.
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
