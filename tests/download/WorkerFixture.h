#pragma once

// A window, a virtual clock and scripted devices on both global links, for the worker's and the
// exchanges' tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ScriptedHidBackend.h"
#include "ScriptedSerialPort.h"
#include "download/DownloadWorker.h"
#include "download/WorkerWindow.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/VirtualClock.h"

namespace worktest {

class TestWindow final : public CWorkerWindow {
public:
    void LogRefresh() override {
        std::lock_guard lock(m_logGuard);
        refreshed.push_back(m_strLog);
        if (onRefresh) {
            onRefresh(refreshed.size());
        }
    }
    void OnProgress(int done, int total) override {
        progress.emplace_back(done, total);
        timeline.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
    }
    void OnLongWait(const orvane::LongWait& wait) override {
        timeline.push_back(std::string("wait ") + orvane::WaitKindText(wait.kind) + " " +
                           std::to_string(wait.ms) + " at " + std::to_string(wait.frame));
    }
    void OnExchange(const orvane::ExchangeRecord& exchange) override {
        exchanges.push_back(exchange);
        timeline.push_back("exchange " + std::to_string(exchange.frame));
    }
    void OnReadFailed(const orvane::ReadFailure& failure) override {
        readFailures.push_back(failure);
    }
    void OnSendFailed(const orvane::SendFailure& failure) override {
        sendFailures.push_back(failure);
    }

    std::vector<std::string> refreshed;  // the log as each refresh saw it
    std::vector<std::pair<int, int>> progress;
    std::vector<std::string> timeline;  // progress, long waits and exchanges, in order
    std::vector<orvane::ExchangeRecord> exchanges;
    std::vector<orvane::ReadFailure> readFailures;
    std::vector<orvane::SendFailure> sendFailures;
    // Runs inside LogRefresh with m_logGuard held, as the console's Stop would.
    std::function<void(size_t refresh)> onRefresh;
};

class WorkerFixture : public ::testing::Test {
protected:
    static constexpr uint32_t kVid = 0x0ACD;
    static constexpr uint32_t kPid = 0x3710;

    void SetUp() override {
        orvane::SetClock(&clock);
        serial->clock = &clock;
        hid->clock = &clock;
        hid->vendorId = kVid;
        hid->productId = kPid;
        g_serialLink.SetPort(std::make_unique<ScriptedSerialPort>(serial));
        ASSERT_EQ(g_serialLink.Open("/dev/ttyTEST0/baud=19200/parity=N/data=8/stop=1"), 1);
        g_hidLink.SetBackend(&backend);
        g_interfaceKind = 0;
        window.m_nVid = kVid;
        window.m_nPid = kPid;
    }

    void TearDown() override {
        g_serialLink.Close();
        g_hidLink.SetBackend(nullptr);
        g_interfaceKind = 0;
        orvane::SetClock(nullptr);
        if (!m_scriptPath.empty()) {
            std::error_code error;
            std::filesystem::remove(m_scriptPath, error);
        }
    }

    // Selects USB and opens the HID link as Load would; the open is not recorded.
    void UseUsb() {
        g_interfaceKind = 1;
        ASSERT_EQ(g_hidLink.Open(kVid, kPid), 1);
        hid->events.clear();
        hid->opens = 0;
    }

    // Writes `text` to a file of this test and points the window at it.
    void WriteScript(const std::string& text) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name =
            std::string("orvane-worker-") + info->test_suite_name() + "-" + info->name() + ".txt";
        for (char& c : name) {
            if (c == '/') {
                c = '_';  // parameterised names hold '/'
            }
        }
        m_scriptPath = (std::filesystem::temp_directory_path() / name).string();
        std::ofstream(m_scriptPath, std::ios::binary) << text;
        window.m_strFilePath = m_scriptPath;
    }

    // A script of one "SEND:" block per frame, ended by "END>".
    void WriteFrames(const std::vector<Bytes>& frames) {
        std::string text = "; test script\n";
        for (const Bytes& frame : frames) {
            text += "SEND:" + Hex(frame) + " SLEEP 10\n";
        }
        WriteScript(text + "END>\n\n");
    }

    std::vector<uint32_t> Run() {
        clock.ClearSleeps();
        EXPECT_EQ(DownloadWorker(&window), 0U);
        return clock.Sleeps();
    }

    orvane::VirtualClock clock;
    std::shared_ptr<SerialDevice> serial = std::make_shared<SerialDevice>();
    std::shared_ptr<HidDevice> hid = std::make_shared<HidDevice>();
    ScriptedHidBackend backend{hid};
    TestWindow window;

private:
    std::string m_scriptPath;
};

}  // namespace worktest
