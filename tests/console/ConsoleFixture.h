#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "FakeWindowSystem.h"
#include "app/console/UpdaterDlg.h"
#include "platform/HidBackend.h"
#include "platform/SerialPort.h"
#include "platform/VirtualClock.h"

namespace consoletest {

// Serial ports by name: some present, one of them with a device that answers the link probe.
struct PortBench {
    std::set<std::string> present;
    std::string answering;
    std::vector<std::string> opened;  // device names, one per Open attempt
    int openNow = 0;                  // ports open at the moment
};

class BenchPort : public orvane::ISerialPort {
public:
    explicit BenchPort(PortBench& bench) : m_bench(bench) {}
    bool Open(const std::string& device, const std::string& modeText) override;
    void Close() override;
    bool IsOpen() const override { return m_bOpen; }
    int32_t Read(uint8_t* buf, uint32_t max) override;
    int32_t Write(const uint8_t* buf, uint32_t count) override;

private:
    PortBench& m_bench;
    std::string m_device;
    bool m_bOpen = false;
    std::vector<uint8_t> m_reply;
};

class NoHidDevices : public orvane::IHidBackend {
public:
    std::vector<orvane::HidDeviceInfo> Enumerate() override { return {}; }
    std::unique_ptr<orvane::IHidDevice> OpenPath(const std::string&) override { return nullptr; }
};

// The handlers on the fake window system, on the virtual clock, with the serial link on the bench
// and a HID back end without devices.
class HandlerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the window and runs OnInitDialog.
    CUpdaterDlg& Open(UpdaterDlgSetup setup = {});
    std::string LogText();
    void SetLog(const std::string& log);
    // Types into a control, as the operator does.
    void Type(int id, const std::string& text);
    // Picks an item of the combo box as the operator does.
    void Pick(int index);

    orvane::VirtualClock clock;
    PortBench bench;
    NoHidDevices noHid;
    FakeWindowSystem ws;
    std::unique_ptr<CUpdaterDlg> dlg;
};

// Stand-in workers.
unsigned RecordingWorker(void* param);
extern std::atomic<int> g_recordingRuns;
// Appends a line and refreshes once per turn until told to stop.
unsigned ChattyWorker(void* param);

}  // namespace consoletest
