// The log hand-over between the worker's thread and the window's thread.
#include <QtTest/QTest>

#include <chrono>
#include <functional>
#include <thread>

#include "AppFixture.h"
#include "platform/Clock.h"

namespace apptest {
namespace {

constexpr int kWaitMs = 20000;

TEST_F(ConsoleTest, RefreshFromAnotherThreadReturnsOnceTheViewShowsTheLine) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        {
            std::lock_guard guard(w.Dlg().m_logGuard);
            w.Dlg().m_strLog += "Start bootloader.\r\n";
        }
        w.Dlg().LogRefresh();
        returned = true;
    });
    // The refresh needs this thread: without its events the worker stays blocked.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(returned.load());
    bool shownWhenReturned = false;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (returned) {
                shownWhenReturned = Log()->toPlainText() == QStringLiteral("Start bootloader.\n");
            }
            return returned.load();
        },
        kWaitMs));
    worker.join();
    EXPECT_TRUE(shownWhenReturned);
}

// Polls `done` without processing this thread's events, so that a worker's refresh stays
// pending; gives up after kHoldMs of real time.
constexpr int kHoldMs = 5000;
bool WaitWithoutEvents(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHoldMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST_F(SimConsoleTest, StopReleasesAWorkerWaitingForItsRefresh) {
    UpdaterDlgSetup setup;
    setup.worker = ChattyWorker::Run;
    setup.serialPorts = {SimPort()};
    chooser.path = WriteFirmwareScript(1);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    LoadButton()->click();
    ASSERT_TRUE(w.Dlg().WorkerRunning());
    EXPECT_FALSE(LoadButton()->isEnabled());
    // A second Load is ignored while the worker runs.
    w.Dlg().OnButtonLoad();
    EXPECT_EQ(chooser.runs, 1);

    // No events are processed from here on: once its line is in, the worker sits in its refresh.
    ASSERT_TRUE(WaitWithoutEvents([&] { return LogText().ends_with("tick\r\n"); }));
    EXPECT_EQ(Log()->toPlainText(), QStringLiteral("Open RS232 interface success.\n"));
    StopButton()->click();
    const std::string logAtStop = LogText();
    const bool ended = WaitWithoutEvents([] { return ChattyWorker::s_returned.load(); });
    EXPECT_TRUE(ended) << "the worker still waits for its refresh after Stop";
    if (!ended) {
        // Unblock it so that the test can end.
        static_cast<void>(QTest::qWaitFor([] { return ChattyWorker::s_returned.load(); }, kWaitMs));
    }
    w.Dlg().WorkerThread()->Join();
    EXPECT_EQ(LogText(), logAtStop);
    EXPECT_EQ(logAtStop, "Open RS232 interface success.\r\ntick\r\n");
    EXPECT_TRUE(LoadButton()->isEnabled());
}

TEST_F(SimConsoleTest, ClosingTheWindowEndsAWorkerWaitingForItsRefresh) {
    UpdaterDlgSetup setup;
    setup.worker = ChattyWorker::Run;
    setup.serialPorts = {SimPort()};
    chooser.path = WriteFirmwareScript(1);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    LoadButton()->click();
    ASSERT_TRUE(w.Dlg().WorkerRunning());
    ASSERT_TRUE(WaitWithoutEvents([&] { return LogText().ends_with("tick\r\n"); }));

    w.close();  // the close box
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    const std::string logAtClose = LogText();
    const bool ended = WaitWithoutEvents([] { return ChattyWorker::s_returned.load(); });
    EXPECT_TRUE(ended) << "the worker still waits for its refresh after the close";
    if (!ended) {
        // Unblock it so that the test can end.
        static_cast<void>(QTest::qWaitFor([] { return ChattyWorker::s_returned.load(); }, kWaitMs));
    }
    EXPECT_EQ(LogText(), logAtClose);
    dlg.reset();  // joins the worker; must not wait for events
    EXPECT_TRUE(ChattyWorker::s_returned.load());
}

// A worker that starts its run as the download worker does: clears the log, adds its first
// line and waits for it to be shown.
unsigned ClearingWorker(void* param) {
    auto* window = static_cast<CWorkerWindow*>(param);
    {
        std::lock_guard guard(window->m_logGuard);
        window->m_strLog.clear();
        window->m_strLog += "Start bootloader.\r\n";
    }
    window->LogRefresh();
    return 0;
}

TEST_F(SimConsoleTest, SwitchingTheInterfaceKeepsAWorkerLineNotYetShown) {
    UpdaterDlgSetup setup;
    setup.worker = ClearingWorker;
    setup.serialPorts = {SimPort()};
    chooser.path = WriteFirmwareScript(1);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    LoadButton()->click();
    ASSERT_TRUE(WaitWithoutEvents([&] { return LogText() == "Start bootloader.\r\n"; }));
    ASSERT_EQ(Log()->toPlainText().toStdString(), "Open RS232 interface success.\n");

    Pick(1);  // loads the controls into the members while the refresh is pending
    EXPECT_EQ(LogText(), "Start bootloader.\r\n");
    EXPECT_TRUE(Vid()->isVisible());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Dlg().WorkerRunning(); }, kWaitMs));
    EXPECT_EQ(Log()->toPlainText().toStdString(), "Start bootloader.\n");
    EXPECT_EQ(LogText(), "Start bootloader.\r\n");
}

}  // namespace
}  // namespace apptest
