// The log hand-over between the worker's thread and the window's thread, and the log guard.
#include <atomic>
#include <chrono>
#include <thread>

#include "ConsoleFixture.h"
#include "app/console/Resource.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"

namespace consoletest {
namespace {

// Real time only bounds a wait for another thread; nothing is timed by it.
constexpr auto kBound = std::chrono::seconds(10);

template <class Done>
bool Within(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

TEST_F(HandlerTest, RefreshStoresTheMembersAndScrollsByTheLineCount) {
    CUpdaterDlg& w = Open();
    ws.controls[IDC_EDT_BAUD].text = "57600";  // typed since the last load: the refresh replaces it
    std::string log;
    for (int i = 1; i <= 300; ++i) {
        log += "Loading firmware ... Package " + std::to_string(i) + "\r\n";
    }
    SetLog(log);
    ws.ops.clear();
    w.LogRefresh();  // on the window's thread: at once
    EXPECT_EQ(ws.ops, (std::vector<std::string>{"text 1010", "text 1002", "text 1004", "text 1003",
                                                "scroll 301"}));
    EXPECT_EQ(ws.controls[IDC_EDT_LOG].text, log);
    EXPECT_EQ(ws.controls[IDC_EDT_BAUD].text, "19200");
    EXPECT_EQ(ws.logTop, 301 - FakeWindowSystem::kViewLines);
}

TEST_F(HandlerTest, ARefreshFromTheWorkerReturnsOnlyOnceTheWindowShowedIt) {
    CUpdaterDlg& w = Open();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        {
            std::lock_guard guard(w.m_logGuard);
            w.m_strLog += "Start bootloader.\r\n";
        }
        w.LogRefresh();
        returned = true;
    });
    ASSERT_TRUE(Within([&] { return ws.Queued() == 1; }));
    EXPECT_FALSE(returned.load());
    EXPECT_TRUE(ws.controls[IDC_EDT_LOG].text.empty());
    ws.RunPosted();
    ASSERT_TRUE(Within([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(ws.controls[IDC_EDT_LOG].text, "Start bootloader.\r\n");
}

TEST_F(HandlerTest, StopReleasesAWorkerWaitingForItsRefreshAndAddsNoLine) {
    bench.present = {"tty0"};
    bench.answering = "tty0";
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, ChattyWorker, {"tty0"}});
    w.OnButtonLoad();
    ASSERT_TRUE(w.WorkerRunning());
    EXPECT_FALSE(ws.controls[IDC_BTN_LOAD].enabled);
    // Its first line is in; the worker waits for the refresh that this thread has not run.
    ASSERT_TRUE(Within([&] { return LogText() == "Open RS232 interface success.\r\ntick\r\n"; }));
    w.OnButtonStop();
    ASSERT_TRUE(Within([&] { return !w.WorkerRunning(); }));
    EXPECT_EQ(LogText(), "Open RS232 interface success.\r\ntick\r\n");
    EXPECT_TRUE(ws.controls[IDC_BTN_LOAD].enabled);
    EXPECT_TRUE(g_serialLink.IsOpen());  // the link stays for the next Load
}

TEST_F(HandlerTest, ALoadFromTheControlsKeepsWorkerLinesNotYetShown) {
    struct Case {
        const char* what;
        std::string shown;   // stored into the view by the last refresh
        std::string member;  // m_strLog when the controls are loaded
        std::string typed;   // the view's text then, when the operator edited it
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"unedited, a line not yet shown", "a\r\n", "a\r\nb\r\n", "", "a\r\nb\r\n"},
        {"edited, a line not yet shown", "a\r\n", "a\r\nb\r\n", "A!\r\n", "A!\r\nb\r\n"},
        {"edited, nothing pending", "a\r\n", "a\r\n", "A!\r\n", "A!\r\n"},
        {"unedited, the member replaced by Load", "a\r\n", "", "", "a\r\n"},
    };
    CUpdaterDlg& w = Open();
    for (const Case& c : cases) {
        SetLog(c.shown);
        w.UpdateData(false);
        SetLog(c.member);
        if (!c.typed.empty()) {
            Type(IDC_EDT_LOG, c.typed);
        }
        w.UpdateData(true);
        EXPECT_EQ(LogText(), c.expected) << c.what;
    }
}

// A worker as the download worker starts: clears the log, adds its first line, refreshes.
unsigned ClearingWorker(void* param) {
    auto* window = static_cast<CWorkerWindow*>(param);
    {
        std::lock_guard guard(window->m_logGuard);
        window->m_strLog = "Start bootloader.\r\n";
    }
    window->LogRefresh();
    return 0;
}

TEST_F(HandlerTest, AnEditedViewDoesNotReplaceTheLogTheWorkerBeganAnew) {
    bench.present = {"tty0"};
    bench.answering = "tty0";
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, ClearingWorker, {"tty0"}});
    w.OnButtonLoad();
    ASSERT_TRUE(Within([&] { return ws.Queued() == 1; }));  // its refresh is on its way
    Type(IDC_EDT_LOG, "Open RS232 interface success.\r\nnote\r\n");
    Pick(1);
    EXPECT_EQ(LogText(), "Start bootloader.\r\n");
    ws.RunPosted();
    w.OnDestroy();
    EXPECT_EQ(ws.controls[IDC_EDT_LOG].text, "Start bootloader.\r\n");
}

// Holds until the window ends it, then pumps once more as a version query would on its way out.
std::atomic<bool> g_pumpedAfterStop{false};
unsigned PumpingWorker(void*) {
    while (!orvane::Clock().StopRequested()) {
        std::this_thread::yield();
    }
    orvane::PumpEvents();
    g_pumpedAfterStop = true;
    return 0;
}

TEST_F(HandlerTest, ClosingJoinsTheWorkerBeforeItRemovesTheEventPump) {
    bench.present = {"tty0"};
    bench.answering = "tty0";
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, PumpingWorker, {"tty0"}});
    w.OnButtonLoad();
    ASSERT_TRUE(w.WorkerRunning());
    const int pumpsBefore = ws.pumps;
    w.OnCancel();
    w.OnDestroy();
    EXPECT_TRUE(g_pumpedAfterStop.load());
    EXPECT_FALSE(w.WorkerRunning());
    // The worker's last pass still reached the installed pump; after the close there is none.
    EXPECT_EQ(ws.pumps, pumpsBefore + 1);
    orvane::PumpEvents();
    EXPECT_EQ(ws.pumps, pumpsBefore + 1);
}

TEST_F(HandlerTest, ProgressReachesTheBarOnTheWindowsThreadWithinItsBounds) {
    CUpdaterDlg& w = Open();
    struct Case {
        int sent, total, value, maximum;
    };
    for (const Case& c : std::vector<Case>{{0, 5, 0, 5},
                                           {3, 5, 3, 5},
                                           {7, 5, 5, 5},
                                           {-1, 5, 0, 5},
                                           {0, 0, 0, 1},
                                           {2, -3, 0, 1}}) {
        std::thread([&] { w.OnProgress(c.sent, c.total); }).join();
        EXPECT_EQ(ws.Queued(), 1U);
        ws.RunPosted();
        EXPECT_EQ(ws.progressValue, c.value) << c.sent << "/" << c.total;
        EXPECT_EQ(ws.progressMax, c.maximum) << c.sent << "/" << c.total;
    }
}

}  // namespace
}  // namespace consoletest
