// The log hand-over between the worker's thread and the window's thread.
#include <QtTest/QTest>

#include <thread>

#include "AppFixture.h"
#include "platform/Clock.h"

namespace apptest {
namespace {

constexpr int kWaitMs = 20000;

TEST_F(ConsoleTest, RefreshFromAnotherThreadReturnsOnceTheViewShowsTheLine) {
    CUpdaterDlg& w = MakeWindow();
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        {
            std::lock_guard guard(w.m_logGuard);
            w.m_strLog += "Start bootloader.\r\n";
        }
        w.LogRefresh();
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

TEST_F(SimConsoleTest, StopReleasesAWorkerWaitingForItsRefresh) {
    UpdaterDlgSetup setup;
    setup.worker = ChattyWorker::Run;
    setup.serialPorts = {SimPort()};
    chooser.path = WriteFirmwareScript(1);
    CUpdaterDlg& w = MakeWindow(std::move(setup));
    LoadButton()->click();
    ASSERT_TRUE(w.WorkerRunning());
    EXPECT_FALSE(LoadButton()->isEnabled());
    // A second Load is ignored while the worker runs.
    w.OnButtonLoad();
    EXPECT_EQ(chooser.runs, 1);

    // No events are processed from here on: the worker sits in its refresh.
    StopButton()->click();
    const std::string logAtStop = LogText();
    w.WorkerThread()->Join();
    EXPECT_TRUE(ChattyWorker::s_returned.load());
    EXPECT_EQ(LogText(), logAtStop);
    EXPECT_TRUE(LoadButton()->isEnabled());
}

TEST_F(SimConsoleTest, ClosingTheWindowEndsAWorkerWaitingForItsRefresh) {
    UpdaterDlgSetup setup;
    setup.worker = ChattyWorker::Run;
    setup.serialPorts = {SimPort()};
    chooser.path = WriteFirmwareScript(1);
    CUpdaterDlg& w = MakeWindow(std::move(setup));
    LoadButton()->click();
    ASSERT_TRUE(w.WorkerRunning());

    w.close();  // the close box
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    dlg.reset();  // joins the worker; must not wait for events
    EXPECT_TRUE(ChattyWorker::s_returned.load());
}

}  // namespace
}  // namespace apptest
