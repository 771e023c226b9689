// Load on the fake window system: the chooser, the RS232 scan, the USB probes, and the operator
// stopping or closing the window while Load searches.
#include <atomic>
#include <thread>

#include "ConsoleFixture.h"
#include "app/console/Resource.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"

namespace consoletest {
namespace {

using Waits = std::vector<uint32_t>;

TEST_F(HandlerTest, ACancelledChooserShowsOneLinePausesAndTouchesNoLink) {
    bench.present = {"tty0"};
    ASSERT_EQ(g_serialLink.Open("tty0/baud=19200/parity=N/stop=1/data=8"), 1);
    g_interfaceKind = 1;
    CUpdaterDlg& w = Open({{}, RecordingWorker, {"tty0"}});
    w.m_strFilePath = "/scripts/earlier.txt";
    SetLog("Open RS232 interface success.\r\n");
    Pick(1);
    clock.ClearSleeps();
    w.OnButtonLoad();
    EXPECT_EQ(ws.chooserRuns, 1);
    EXPECT_EQ(LogText(), "Select file fail.\r\n");
    EXPECT_EQ(ws.controls[IDC_EDT_LOG].text, "Select file fail.\r\n");
    EXPECT_EQ(clock.Sleeps(), Waits{500});
    EXPECT_EQ(w.m_strFilePath, "/scripts/earlier.txt");
    EXPECT_TRUE(g_serialLink.IsOpen());
    EXPECT_EQ(g_interfaceKind, 1);
    // The refresh put back the members last loaded, before the USB defaults were written.
    EXPECT_TRUE(ws.controls[IDC_EDT_VID].text.empty());
    EXPECT_EQ(w.WorkerThread(), nullptr);
    EXPECT_TRUE(ws.controls[IDC_BTN_LOAD].enabled);
}

TEST_F(HandlerTest, Rs232TriesThePortsInOrderUntilOneAnswers) {
    bench.present = {"silent", "dev", "after"};
    bench.answering = "dev";
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, RecordingWorker, {"missing", "silent", "dev", "after"}});
    ws.controls[IDC_EDT_BAUD].text = "57600";
    clock.ClearSleeps();
    w.OnButtonLoad();
    EXPECT_EQ(bench.opened, (std::vector<std::string>{"missing", "silent", "dev"}));
    EXPECT_EQ(bench.openNow, 1);
    EXPECT_EQ(g_serialLink.DeviceName(), "dev");
    EXPECT_STREQ(g_serialLink.Mode(), "baud=57600 parity=N stop=1 data=8");
    EXPECT_EQ(LogText(), "Open RS232 interface success.\r\n");
    EXPECT_EQ(ws.logTop, 0);  // Load stores its line without scrolling
    EXPECT_EQ(w.m_strFilePath, "/scripts/a.txt");
    EXPECT_EQ(g_interfaceKind, 0);
    EXPECT_EQ(clock.Sleeps(), (Waits{500, 500}));
    ASSERT_NE(w.WorkerThread(), nullptr);
    w.WorkerThread()->Join();
    EXPECT_EQ(g_recordingRuns, 1);
}

TEST_F(HandlerTest, Rs232WithoutAnAnswerFailsWithNoPortLeftOpen) {
    bench.present = {"silent"};
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, RecordingWorker, {"missing", "silent"}});
    w.OnButtonLoad();
    EXPECT_EQ(LogText(), "Open RS232 interface fail.\r\n");
    EXPECT_EQ(bench.openNow, 0);
    EXPECT_EQ(w.WorkerThread(), nullptr);
    EXPECT_TRUE(ws.controls[IDC_BTN_LOAD].enabled);
}

TEST_F(HandlerTest, UsbWithoutADeviceProbesTwiceThenFails) {
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, RecordingWorker, {}});
    Pick(1);
    ws.controls[IDC_EDT_VID].text = "  0x1234";
    ws.controls[IDC_EDT_PID].text = "beef!";
    // Nothing waits inside the link when there is no device: time moves on the clock here.
    ws.whileLive = [&] { clock.Advance(100); };
    clock.ClearSleeps();
    const uint64_t start = clock.NowMs();
    w.OnButtonLoad();
    EXPECT_EQ(LogText(), "Open USB interface fail.\r\n");
    EXPECT_EQ(w.m_nVid, 0x1234U);
    EXPECT_EQ(w.m_nPid, 0xBEEFU);
    EXPECT_EQ(g_interfaceKind, 1);
    EXPECT_EQ(clock.Sleeps().front(), 500U);
    EXPECT_GE(clock.NowMs() - start, 2U * (500 + 5000));
    EXPECT_EQ(w.WorkerThread(), nullptr);
}

TEST_F(HandlerTest, NoSelectionClosesTheSerialLinkAndAddsNoLine) {
    bench.present = {"tty0"};
    ASSERT_EQ(g_serialLink.Open("tty0/baud=19200/parity=N/stop=1/data=8"), 1);
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, RecordingWorker, {"tty0"}});
    SetLog("Open RS232 interface success.\r\n");
    w.UpdateData(false);
    ws.curSel = -1;  // a typed interface name
    g_interfaceKind = 1;
    w.OnButtonLoad();
    EXPECT_FALSE(g_serialLink.IsOpen());
    EXPECT_EQ(g_interfaceKind, 1);
    EXPECT_EQ(LogText(), "Open RS232 interface success.\r\n");
    EXPECT_EQ(w.WorkerThread(), nullptr);
}

// The operator acts once, on the window's thread, when the search has reached `when`.
struct OperatorAt {
    std::function<bool()> when;
    std::function<void()> act;
    bool done = false;
    void operator()() {
        if (!done && when()) {
            done = true;
            act();
        }
    }
};

struct SearchStop {
    const char* what;
    bool usb;
    bool escape;
};

class StopDuringSearch : public HandlerTest, public ::testing::WithParamInterface<SearchStop> {};

TEST_P(StopDuringSearch, EndsItWithNoFurtherPortNoOutcomeAndNoWorker) {
    const SearchStop& c = GetParam();
    bench.present = {"silent1", "silent2", "dev"};
    bench.answering = "dev";
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, RecordingWorker, {"silent1", "silent2", "dev"}});
    if (c.usb) {
        Pick(1);
    }
    SetLog("earlier\r\n");
    w.UpdateData(false);
    // The first probe's wait holds until the operator has acted.
    std::atomic<bool> inProbe{false};
    clock.SetOnSleep([&](uint32_t ms) {
        if (ms == 500) {
            inProbe = true;
            while (!orvane::Clock().StopRequested()) {
                std::this_thread::yield();
            }
        }
    });
    OperatorAt press{[&] { return inProbe.load(); },
                     [&] { c.escape ? w.OnCancel() : w.OnButtonStop(); }};
    ws.whileLive = [&] { press(); };
    w.OnButtonLoad();
    clock.SetOnSleep({});

    EXPECT_TRUE(press.done);
    EXPECT_EQ(LogText(), "earlier\r\n");  // no outcome line
    EXPECT_EQ(w.WorkerThread(), nullptr);
    EXPECT_EQ(g_recordingRuns, 0);
    EXPECT_FALSE(w.Loading());
    if (c.usb) {
        EXPECT_TRUE(bench.opened.empty());
    } else {
        EXPECT_EQ(bench.opened, std::vector<std::string>{"silent1"});  // no further port
        EXPECT_EQ(bench.openNow, 0);
    }
    EXPECT_EQ(ws.endResult.has_value(), c.escape);
    EXPECT_TRUE(ws.controls[IDC_BTN_LOAD].enabled);
}

INSTANTIATE_TEST_SUITE_P(Operator, StopDuringSearch,
                         ::testing::Values(SearchStop{"StopRs232", false, false},
                                           SearchStop{"EscapeRs232", false, true},
                                           SearchStop{"StopUsb", true, false},
                                           SearchStop{"EscapeUsb", true, true}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(HandlerTest, OneLoadAtATime) {
    bench.present = {"dev"};
    bench.answering = "dev";
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, ChattyWorker, {"dev"}});
    // A second press while the first still searches is ignored.
    OperatorAt again{[] { return true; }, [&] { w.OnButtonLoad(); }};
    // The probe's wait holds until the second press has come.
    std::atomic<bool> pressed{false};
    clock.SetOnSleep([&](uint32_t) {
        while (!pressed.load()) {
            std::this_thread::yield();
        }
    });
    ws.whileLive = [&] {
        again();
        pressed = again.done;
    };
    w.OnButtonLoad();
    clock.SetOnSleep({});
    EXPECT_TRUE(again.done);
    EXPECT_EQ(ws.chooserRuns, 1);
    ASSERT_TRUE(w.WorkerRunning());
    // So is one while the download runs.
    w.OnButtonLoad();
    EXPECT_EQ(ws.chooserRuns, 1);
    // After Stop a Load waits for the old worker before it starts anew.
    w.OnButtonStop();
    ws.whileLive = {};
    w.OnButtonLoad();
    EXPECT_EQ(ws.chooserRuns, 2);
    EXPECT_FALSE(orvane::Clock().StopRequested());
    EXPECT_TRUE(w.WorkerRunning());
}

}  // namespace
}  // namespace consoletest
