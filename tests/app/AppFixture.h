#pragma once

#include <gtest/gtest.h>

#include <QtWidgets/QComboBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>

#include <QtCore/QTemporaryDir>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/qt/QtUpdaterWindow.h"
#include "platform/HidBackend.h"
#include "platform/VirtualClock.h"
#include "sim/Simulation.h"

namespace apptest {

// A HID back end without devices, so that no test reaches the machine's own.
class NoHidDevices : public orvane::IHidBackend {
public:
    std::vector<orvane::HidDeviceInfo> Enumerate() override { return {}; }
    std::unique_ptr<orvane::IHidDevice> OpenPath(const std::string&) override { return nullptr; }
};

// A chooser that answers with `path` (nothing: cancelled) and counts its runs.
struct FakeChooser {
    std::optional<std::string> path;
    int runs = 0;
    std::function<std::optional<std::string>()> Get() {
        return [this]() {
            ++runs;
            return path;
        };
    }
};

// Installs a VirtualClock and neutral links for each test; builds and shows the window.
class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    orvane::QtUpdaterWindow& MakeWindow(UpdaterDlgSetup setup = {});

    template <typename T>
    T* Find(const char* name) const {
        T* w = dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* Baud() const { return Find<QLineEdit>("IDC_EDT_BAUD"); }
    QLineEdit* Vid() const { return Find<QLineEdit>("IDC_EDT_VID"); }
    QLineEdit* Pid() const { return Find<QLineEdit>("IDC_EDT_PID"); }
    QComboBox* Interface() const { return Find<QComboBox>("IDC_CMB_INTERFACE"); }
    QPlainTextEdit* Log() const { return Find<QPlainTextEdit>("IDC_EDT_LOG"); }
    QPushButton* LoadButton() const { return Find<QPushButton>("IDC_BTN_LOAD"); }
    QPushButton* StopButton() const { return Find<QPushButton>("IDC_BTN_STOP"); }

    // Picks `index` in the combo box as the operator does.
    void Pick(int index);
    // The window's log text, read under its guard.
    std::string LogText();

    orvane::VirtualClock clock;
    NoHidDevices noHid;
    FakeChooser chooser;
    std::unique_ptr<orvane::QtUpdaterWindow> dlg;
};

// The simulated device on both faces, a silent pseudo-terminal, script files and stand-in
// workers, for the tests that load.
class SimConsoleTest : public ConsoleTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The simulated device's pseudo-terminal.
    std::string SimPort() const { return sim->SerialPorts().at(0); }
    // A pseudo-terminal that opens and never answers.
    std::string SilentPort();
    // Writes an RS232 script of `frames` (frame 1 first) and returns its path.
    std::string WriteScript(const std::vector<std::vector<uint8_t>>& frames);
    // A script of `packages` firmware packages after the three fixed frames.
    std::string WriteFirmwareScript(int packages);
    // The link probes the device has received.
    size_t ProbesReceived() const;

    std::unique_ptr<orvane::sim::Simulation> sim;
    QTemporaryDir dir;
    int silentMaster = -1;
};

// Stand-in workers: one that records its argument and returns, one that appends and refreshes
// a line per turn until it is told to stop.
struct RecordingWorker {
    static unsigned Run(void* param);
    static std::atomic<void*> s_param;
    static std::atomic<int> s_runs;
};
struct ChattyWorker {
    static unsigned Run(void* param);
    static std::atomic<bool> s_returned;
};

}  // namespace apptest
