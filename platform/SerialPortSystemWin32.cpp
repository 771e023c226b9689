// The system serial back end on Windows: a device name served in process (InProcessSerial.h)
// opens that port, any other the Win32 comm API's.
#include <memory>
#include <string>

#include "platform/InProcessSerial.h"
#include "platform/SerialPortWin32.h"

namespace orvane {

namespace {

class SystemSerialPortWin32 final : public ISerialPort {
public:
    bool Open(const std::string& device, const std::string& modeText) override {
        if (m_port && m_port->IsOpen()) {
            return false;
        }
        m_port = MakeInProcessSerialPort(device);
        if (!m_port) {
            m_port = MakeWin32SerialPort();
        }
        return m_port->Open(device, modeText);
    }
    void Close() override {
        if (m_port) {
            m_port->Close();
        }
    }
    bool IsOpen() const override { return m_port && m_port->IsOpen(); }
    int32_t Read(uint8_t* buf, uint32_t max) override {
        return m_port ? m_port->Read(buf, max) : -1;
    }
    int32_t Write(const uint8_t* buf, uint32_t count) override {
        return m_port ? m_port->Write(buf, count) : -1;
    }

private:
    std::unique_ptr<ISerialPort> m_port;
};

}  // namespace

std::unique_ptr<ISerialPort> MakeSystemSerialPort() {
    return std::make_unique<SystemSerialPortWin32>();
}

}  // namespace orvane
