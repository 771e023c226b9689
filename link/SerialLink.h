#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/SerialPort.h"

// The RS232 link. Plain class, one process-wide instance (g_serialLink); the platform port sits
// behind orvane::ISerialPort. Not thread-safe: one thread at a time (Load, then the worker).
class CSerialLink {
public:
    // Uses the platform's serial back end.
    CSerialLink();
    // Uses `port` (tests, tools). Must not be null.
    explicit CSerialLink(std::unique_ptr<orvane::ISerialPort> port);
    ~CSerialLink() = default;
    CSerialLink(const CSerialLink&) = delete;
    CSerialLink& operator=(const CSerialLink&) = delete;

    // Opens the port named by the link spec "DEVICE/key=value/key=value..." (10 to 256
    // characters, spaces and tabs ignored). A spec that does not start with '/' splits at its
    // first '/' ("\\.\COM3/baud=19200/..."); one that starts with '/' (a POSIX path) splits at
    // the first '/' whose setting holds a '=' ("/dev/ttyUSB0/baud=19200/..."). A spec without
    // settings fails before the device is touched. Returns 1 when the port is open and
    // configured, 0 otherwise (also when already open, or `spec` is null).
    int Open(const char* spec);
    // Closes the port if one is held; harmless otherwise.
    void Close();
    // Writes `count` bytes; returns the count written, 0 on failure (or on a closed link).
    uint32_t Write(const uint8_t* buf, uint32_t count);
    // Gathers a reply of at most `capacity` bytes (>= 1) from 512-byte platform reads until the
    // line falls quiet for a whole read; a first read of one byte other than 0x03 returns at
    // once; a read that would overflow `capacity` is dropped and ends the reply. Returns the
    // count stored, or -1 when a platform read fails (also on a closed link).
    int32_t Read(uint8_t* buf, uint32_t capacity);

    bool IsOpen() const { return m_bOpen != 0; }
    // Why the last Open failed, as the back end saw it (BadSettings for a spec it refused before
    // the device was touched; None after a successful Open), and the system's error number.
    orvane::SerialOpenError LastOpenError() const { return m_lastOpenError; }
    int LastOpenSystemError() const { return m_nLastOpenSystemError; }
    // The device name and mode text of the last Open (for diagnostics and tests).
    const std::string& DeviceName() const { return m_strDevice; }
    const char* Mode() const { return m_szMode; }
    // Replaces the back end (closes the link first).
    void SetPort(std::unique_ptr<orvane::ISerialPort> port);

    static constexpr uint32_t kChunkSize = 512;

private:
    int m_bOpen = 0;
    orvane::SerialOpenError m_lastOpenError = orvane::SerialOpenError::None;
    int m_nLastOpenSystemError = 0;
    std::unique_ptr<orvane::ISerialPort> m_hComm;
    char m_szMode[256] = "baud=9600 parity=N data=8 stop=1";
    std::string m_strDevice;
    uint8_t m_chunk[kChunkSize] = {};
};

// Splits a link spec into device name and mode text by the rule of CSerialLink::Open (after
// dropping spaces and tabs). Returns false when the length is outside 10..256.
bool SplitLinkSpec(const char* spec, std::string& device, std::string& mode);

extern CSerialLink g_serialLink;
