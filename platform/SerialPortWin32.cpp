// Win32 comm API back end of ISerialPort. The read time-outs (50 ms between bytes, 200 ms in
// all) are the driver's, set with SetCommTimeouts.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/Clock.h"
#include "platform/ModeText.h"
#include "platform/SerialPortWin32.h"

namespace orvane {

namespace {

class SerialPortWin32 final : public ISerialPort {
public:
    ~SerialPortWin32() override { Close(); }

    bool Open(const std::string& device, const std::string& modeText) override {
        if (m_hComm != INVALID_HANDLE_VALUE) {
            return false;
        }
        // The same refusals on every platform (baud=0, unknown keys), before the device is
        // touched.
        ModeSettings settings;
        if (!ParseModeText(modeText, settings)) {
            return false;
        }
        m_hComm = ::CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
        if (m_hComm == INVALID_HANDLE_VALUE) {
            return false;
        }
        if (!Configure(modeText)) {
            Close();
            return false;
        }
        return true;
    }

    void Close() override {
        if (m_hComm != INVALID_HANDLE_VALUE) {
            ::CloseHandle(m_hComm);
            m_hComm = INVALID_HANDLE_VALUE;
        }
    }

    bool IsOpen() const override { return m_hComm != INVALID_HANDLE_VALUE; }

    int32_t Read(uint8_t* buf, uint32_t max) override {
        if (m_hComm == INVALID_HANDLE_VALUE || buf == nullptr || Clock().StopRequested()) {
            return -1;
        }
        DWORD got = 0;
        if (!::ReadFile(m_hComm, buf, max, &got, nullptr)) {
            return -1;
        }
        return static_cast<int32_t>(got);
    }

    int32_t Write(const uint8_t* buf, uint32_t count) override {
        if (m_hComm == INVALID_HANDLE_VALUE || (buf == nullptr && count != 0) ||
            count > 0x7FFFFFFFu) {
            return -1;
        }
        DWORD written = 0;
        if (!::WriteFile(m_hComm, buf, count, &written, nullptr)) {
            return -1;
        }
        return static_cast<int32_t>(written);
    }

private:
    bool Configure(const std::string& modeText) {
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        if (!::GetCommState(m_hComm, &dcb)) {
            return false;
        }
        if (!::BuildCommDCBA(modeText.c_str(), &dcb)) {
            return false;
        }
        // DTR and RTS on while open; no flow control, no parity checking, no error
        // substitution; fBinary and the reserved bits as the builder left them.
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fTXContinueOnXoff = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = FALSE;
        if (!::SetCommState(m_hComm, &dcb)) {
            return false;
        }
        ::SetupComm(m_hComm, 4096, 4096);
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = 50;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = 200;
        timeouts.WriteTotalTimeoutMultiplier = 0;
        timeouts.WriteTotalTimeoutConstant = 0;
        if (!::SetCommTimeouts(m_hComm, &timeouts)) {
            return false;
        }
        ::PurgeComm(m_hComm, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        return true;
    }

    HANDLE m_hComm = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<ISerialPort> MakeWin32SerialPort() {
    return std::make_unique<SerialPortWin32>();
}

}  // namespace orvane
