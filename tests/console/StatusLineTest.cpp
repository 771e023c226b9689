// The status line below the log: what Load's search does, what the download does, and why either
// failed. None of it reaches the log.
#include <atomic>
#include <thread>

#include "ConsoleFixture.h"
#include "app/console/Resource.h"
#include "app/console/StatusText.h"
#include "platform/Clock.h"

namespace consoletest {
namespace {

using Texts = std::vector<std::string>;

TEST_F(HandlerTest, TheStatusLineFollowsTheScanAndNamesWhyItFailed) {
    bench.present = {"silent"};
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, RecordingWorker, {"missing", "silent"}});
    ws.statusLine.clear();
    w.OnButtonLoad();
    ws.RunPosted();
    EXPECT_EQ(ws.statusLine,
              (Texts{"", "Trying missing (port 1 of 2)...", "missing: open failed",
                     "Trying silent (port 2 of 2)...", "silent: opened but no answer",
                     "No device answered. Last: silent: opened but no answer"}));
    EXPECT_EQ(LogText(), "Open RS232 interface fail.\r\n");
}

TEST_F(HandlerTest, TheStatusLineNamesTheAnsweringPortAndTheUsbTries) {
    bench.present = {"dev"};
    bench.answering = "dev";
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, RecordingWorker, {"dev"}});
    w.OnButtonLoad();
    ws.RunPosted();
    EXPECT_EQ(ws.controls[IDC_STATUS].text, "Device answered on dev.");
    w.WorkerThread()->Join();

    Pick(1);
    ws.whileLive = [&] { clock.Advance(100); };
    ws.statusLine.clear();
    w.OnButtonLoad();
    ws.RunPosted();
    EXPECT_EQ(ws.statusLine,
              (Texts{"", "USB device 0ACD:3710: not found", "Probing USB device 0ACD:3710...",
                     "Probing USB device 0ACD:3710 again (second try)...",
                     "No device answered. Last: USB device 0ACD:3710: not found"}));
}

// Reports as the download worker does: progress, a long wait, then a failed exchange.
unsigned FailingWorker(void* param) {
    auto* window = static_cast<CWorkerWindow*>(param);
    window->OnProgress(0, 3);
    window->OnLongWait({orvane::WaitKind::BootloaderEntry, 1, 5000});
    window->OnProgress(1, 3);
    orvane::SendFailure failure;
    failure.frame = 2;
    failure.command = 0xC7;
    failure.sub = 0x21;
    failure.reply = orvane::ReplyKind::BadStatus;
    failure.replyBytes = 16;
    failure.replyCommand = 0xC7;
    failure.replyStatus = 0x01;
    window->OnSendFailed(failure);
    return 0;
}

unsigned FinishingWorker(void* param) {
    auto* window = static_cast<CWorkerWindow*>(param);
    window->OnProgress(0, 2);
    window->OnProgress(1, 2);
    window->OnProgress(2, 2);
    return 0;
}

TEST_F(HandlerTest, TheStatusLineShowsTheLongWaitsAndWhyADownloadFailedOrThatItEnded) {
    struct Case {
        orvane::WorkerThread::Function worker;
        Texts expected;
        int value, maximum;
    };
    const std::vector<Case> cases = {
        {FailingWorker,
         {"Frame 1: " + std::string(orvane::WaitKindText(orvane::WaitKind::BootloaderEntry)) +
              " (5000 ms)...",
          "Send command fail: frame 2 (C7/21): reply status 01"},
         1,
         3},
        {FinishingWorker, {"Downloaded: 2 of 2 exchanges."}, 2, 2},
    };
    bench.present = {"dev"};
    bench.answering = "dev";
    ws.chooserAnswer = "/scripts/a.txt";
    for (const Case& c : cases) {
        if (dlg) {
            dlg->OnDestroy();
        }
        CUpdaterDlg& w = Open({{}, c.worker, {"dev"}});
        w.OnButtonLoad();
        w.WorkerThread()->Join();
        ws.statusLine.clear();
        ws.RunPosted();
        EXPECT_EQ(ws.statusLine, c.expected);
        EXPECT_EQ(ws.progressValue, c.value);
        EXPECT_EQ(ws.progressMax, c.maximum);
        EXPECT_EQ(LogText(), "Open RS232 interface success.\r\n");  // nothing of it in the log
    }
}

TEST_F(HandlerTest, StopShowsWhereTheDownloadStoppedAndLoadRestartsTheBar) {
    bench.present = {"dev"};
    bench.answering = "dev";
    ws.chooserAnswer = "/scripts/a.txt";
    CUpdaterDlg& w = Open({{}, ChattyWorker, {"dev"}});
    w.OnButtonLoad();
    ASSERT_TRUE(w.WorkerRunning());
    std::thread([&] { w.OnProgress(4, 9); }).join();
    w.OnButtonStop();
    ws.RunPosted();
    EXPECT_EQ(ws.controls[IDC_STATUS].text, "Stopped at 4 of 9 exchanges.");
    EXPECT_EQ(ws.progressValue, 4);
    ws.progressValue = -1;
    ws.chooserAnswer.reset();
    w.OnButtonLoad();
    EXPECT_EQ(ws.progressValue, 0);
    EXPECT_EQ(ws.progressMax, 1);
}

}  // namespace
}  // namespace consoletest
