#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orvane {

// Why ISerialPort::Open failed.
enum class SerialOpenError {
    None,              // the last Open succeeded (or none was tried)
    NotFound,          // no such device (ENOENT, ENODEV, ENXIO; ERROR_FILE_NOT_FOUND)
    PermissionDenied,  // the device exists but this user may not open it (EACCES, EPERM)
    Busy,              // another program holds it (EBUSY, an exclusive open elsewhere)
    NotSerial,         // it opened but is not a serial line (no terminal, no comm state)
    BadSettings,       // the mode text did not parse, or the line would not take it
    Other,             // any other failure; LastOpenSystemError() says which
};

// One serial port, as CSerialLink needs it. One implementation per platform
// (SerialPortPosix.cpp, SerialPortWin32.cpp); tests supply fakes.
// Not thread-safe: the owner calls it from one thread at a time.
class ISerialPort {
public:
    virtual ~ISerialPort() = default;

    // Opens `device` and applies `modeText` (Windows MODE syntax: "baud=19200 parity=N data=8
    // stop=1 ..."), then: raw mode, DTR and RTS on, no hardware or XON/XOFF flow control,
    // 4096-byte queues where the platform sizes them, both queues purged. Returns false and holds
    // nothing when any step fails (unknown device, unparsable mode text, baud 0, ...).
    virtual bool Open(const std::string& device, const std::string& modeText) = 0;
    // Why the last Open failed (None after a successful one), and the system's error number
    // behind it (errno; GetLastError on Windows; 0 when there is none). Back ends that cannot
    // tell keep the defaults: Other and 0.
    virtual SerialOpenError LastOpenError() const { return SerialOpenError::Other; }
    virtual int LastOpenSystemError() const { return 0; }
    // Releases the port; harmless when none is held.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // One platform read into `buf` (room for `max` bytes, max <= 512). Returns when `max` bytes
    // have arrived, when more than 50 ms pass between two bytes after the first, or 200 ms after
    // it began, whichever comes first. Returns the count (0 on a silent line), or -1 when the
    // read fails (no port, device gone, stop requested on the process clock).
    virtual int32_t Read(uint8_t* buf, uint32_t max) = 0;
    // One synchronous write of all `count` bytes. Returns the count written, or -1 on failure.
    virtual int32_t Write(const uint8_t* buf, uint32_t count) = 0;
};

// The platform's serial back end (termios on POSIX, the Win32 comm API on Windows).
std::unique_ptr<ISerialPort> MakeSystemSerialPort();

}  // namespace orvane
