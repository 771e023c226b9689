// Load against the simulated device: outcomes on both links, downloads, Stop and a new Load.
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QScrollBar>

#include <QtCore/QTimer>

#include <chrono>
#include <future>
#include <thread>

#include "AppFixture.h"
#include "download/DownloadWorker.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/PortScan.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "sim/OrvaneDevice.h"

namespace apptest {
namespace {

constexpr int kWaitMs = 20000;

// Counts the searches that CHidLink::Open makes on a back end.
class CountingHid : public orvane::IHidBackend {
public:
    explicit CountingHid(orvane::IHidBackend& inner) : m_inner(inner) {}
    std::vector<orvane::HidDeviceInfo> Enumerate() override {
        ++enumerations;
        return m_inner.Enumerate();
    }
    std::unique_ptr<orvane::IHidDevice> OpenPath(const std::string& path) override {
        return m_inner.OpenPath(path);
    }
    int enumerations = 0;

private:
    orvane::IHidBackend& m_inner;
};

TEST_F(SimConsoleTest, Rs232SkipsMissingAndSilentPortsAndStartsTheWorkerOnTheAnsweringOne) {
    UpdaterDlgSetup setup;
    setup.worker = RecordingWorker::Run;
    setup.serialPorts = {dir.filePath(QStringLiteral("no-such-tty")).toStdString(), SilentPort(),
                         SimPort(), SilentPort()};
    chooser.path = WriteFirmwareScript(1);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    g_interfaceKind = 1;
    clock.ClearSleeps();
    LoadButton()->click();

    EXPECT_EQ(LogText(), "Open RS232 interface success.\r\n");
    EXPECT_EQ(Log()->toPlainText(), QStringLiteral("Open RS232 interface success.\n"));
    EXPECT_EQ(Log()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(w.Dlg().m_strFilePath, *chooser.path);
    EXPECT_EQ(g_interfaceKind, 0);
    EXPECT_TRUE(g_serialLink.IsOpen());
    EXPECT_EQ(g_serialLink.DeviceName(), SimPort());
    // One probe wait for the silent port, one for the device; the last port is never tried.
    EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{500, 500}));
    ASSERT_NE(w.Dlg().WorkerThread(), nullptr);
    w.Dlg().WorkerThread()->Join();
    EXPECT_EQ(RecordingWorker::s_runs, 1);
    EXPECT_EQ(RecordingWorker::s_param.load(), static_cast<CWorkerWindow*>(&w.Dlg()));
}

TEST_F(SimConsoleTest, Rs232WithoutAnAnswerFailsAndLeavesNoPortOpen) {
    UpdaterDlgSetup setup;
    setup.worker = RecordingWorker::Run;
    setup.serialPorts = {dir.filePath(QStringLiteral("no-such-tty")).toStdString(), SilentPort()};
    chooser.path = WriteFirmwareScript(1);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    LoadButton()->click();

    EXPECT_EQ(LogText(), "Open RS232 interface fail.\r\n");
    EXPECT_EQ(Log()->toPlainText(), QStringLiteral("Open RS232 interface fail.\n"));
    EXPECT_FALSE(g_serialLink.IsOpen());
    EXPECT_EQ(w.Dlg().WorkerThread(), nullptr);
    EXPECT_EQ(RecordingWorker::s_runs, 0);
    EXPECT_TRUE(LoadButton()->isEnabled());
}

TEST_F(SimConsoleTest, UsbAnswersTheSecondProbe) {
    CountingHid counting(*sim->HidBackend());
    g_hidLink.SetBackend(&counting);
    UpdaterDlgSetup setup;
    setup.worker = RecordingWorker::Run;
    chooser.path = WriteFirmwareScript(1);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    Pick(1);

    orvane::sim::DeviceConfig config = sim->Device().Config();
    config.silent = true;
    sim->Device().Configure(config);
    // The first probe's request goes unanswered; the device wakes while that probe still waits.
    // The pump runs on the thread that probes, once per turn of the wait.
    std::atomic<int> pumps{0};
    std::atomic<bool> woken{false};
    orvane::SetEventPump([&] {
        ++pumps;
        if (ProbesReceived() == 1 && !woken.exchange(true)) {
            orvane::sim::DeviceConfig awake = config;
            awake.silent = false;
            sim->Device().Configure(awake);
        }
    });
    clock.ClearSleeps();
    LoadButton()->click();

    EXPECT_EQ(LogText(), "Open USB interface success.\r\n");
    EXPECT_EQ(g_interfaceKind, 1);
    EXPECT_EQ(w.Dlg().m_nVid, 0x0ACDU);
    EXPECT_EQ(w.Dlg().m_nPid, 0x3710U);
    EXPECT_EQ(ProbesReceived(), 2U);
    EXPECT_EQ(counting.enumerations, 1);
    EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{500, 500}));
    EXPECT_GT(pumps, 0);
    ASSERT_NE(w.Dlg().WorkerThread(), nullptr);
    w.Dlg().WorkerThread()->Join();
    EXPECT_EQ(RecordingWorker::s_runs, 1);
    g_hidLink.SetBackend(&noHid);
}

TEST_F(SimConsoleTest, UsbWithoutADeviceProbesTwiceThenFails) {
    UpdaterDlgSetup setup;
    setup.worker = RecordingWorker::Run;
    chooser.path = WriteFirmwareScript(1);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    Pick(1);
    Vid()->setText(QStringLiteral("  0x1234"));
    Pid()->setText(QStringLiteral("beef!"));
    // Nothing waits inside the link when there is no device: let the pump move time on.
    orvane::SetEventPump([&] { clock.Advance(100); });
    clock.ClearSleeps();
    const uint64_t start = clock.NowMs();
    LoadButton()->click();

    EXPECT_EQ(LogText(), "Open USB interface fail.\r\n");
    EXPECT_EQ(w.Dlg().m_nVid, 0x1234U);
    EXPECT_EQ(w.Dlg().m_nPid, 0xBEEFU);
    EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{500, 500}));
    EXPECT_GE(clock.NowMs() - start, 2U * (500 + 5000));
    EXPECT_EQ(w.Dlg().WorkerThread(), nullptr);
    EXPECT_EQ(RecordingWorker::s_runs, 0);
}

TEST_F(SimConsoleTest, NoSelectionClosesTheSerialLinkAndAddsNoLine) {
    UpdaterDlgSetup setup;
    setup.worker = RecordingWorker::Run;
    chooser.path = WriteFirmwareScript(1);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    ASSERT_EQ(g_serialLink.Open(orvane::FormatLinkSpec(SimPort(), 19200).c_str()), 1);
    {
        std::lock_guard guard(w.Dlg().m_logGuard);
        w.Dlg().m_strLog = "Open RS232 interface success.\r\n";
    }
    w.Dlg().UpdateData(false);
    Interface()->lineEdit()->setText(QStringLiteral("RS485"));
    ASSERT_EQ(w.Dlg().CurrentInterfaceIndex(), -1);
    g_interfaceKind = 1;
    LoadButton()->click();

    EXPECT_EQ(chooser.runs, 1);
    EXPECT_FALSE(g_serialLink.IsOpen());
    EXPECT_EQ(g_interfaceKind, 1);
    EXPECT_EQ(LogText(), "Open RS232 interface success.\r\n");  // loaded back from the view
    EXPECT_EQ(Log()->toPlainText(), QStringLiteral("Open RS232 interface success.\n"));
    EXPECT_EQ(w.Dlg().WorkerThread(), nullptr);
    EXPECT_EQ(RecordingWorker::s_runs, 0);
}

TEST_F(SimConsoleTest, Rs232DownloadRunsToItsEndWithProgress) {
    UpdaterDlgSetup setup;
    setup.worker = DownloadWorker;
    setup.serialPorts = {SimPort()};
    chooser.path = WriteFirmwareScript(2);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    LoadButton()->click();
    ASSERT_NE(w.Dlg().WorkerThread(), nullptr);
    EXPECT_FALSE(LoadButton()->isEnabled());
    EXPECT_TRUE(StopButton()->isEnabled());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Dlg().WorkerRunning(); }, kWaitMs));
    EXPECT_EQ(LogText(),
              "Start bootloader.\r\nStart send bootloader command.\r\n"
              "Loading firmware ... Package 1\r\nLoading firmware ... Package 2\r\n"
              "Firmware Successfully Downloaded.\r\n");
    EXPECT_TRUE(
        Log()->toPlainText().endsWith(QStringLiteral("Firmware Successfully Downloaded.\n")));
    auto* progress = Find<QProgressBar>("IDC_PRG_DOWNLOAD");
    EXPECT_TRUE(QTest::qWaitFor([&] { return progress->value() == 5; }, kWaitMs));
    EXPECT_EQ(progress->maximum(), 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return LoadButton()->isEnabled(); }, kWaitMs));
    EXPECT_TRUE(g_serialLink.IsOpen());  // the link stays open for the next Load
}

TEST_F(SimConsoleTest, StopEndsTheDownloadAndANewLoadWorksOnTheSameLink) {
    UpdaterDlgSetup setup;
    setup.worker = DownloadWorker;
    setup.serialPorts = {SimPort()};
    chooser.path = WriteFirmwareScript(4);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));

    // Hold the worker in the first wait after "Package 1" until Stop has been pressed.
    std::atomic<bool> held{false};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    clock.SetOnSleep([&](uint32_t) {
        bool package1 = false;
        {
            std::lock_guard guard(w.Dlg().m_logGuard);
            package1 = w.Dlg().m_strLog.find("Package 1\r\n") != std::string::npos;
        }
        if (package1 && !held.exchange(true)) {
            released.wait();
        }
    });
    LoadButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.load(); }, kWaitMs));
    // Held after writing frame 5: the device has the probe and five frames once the pty has
    // carried them over.
    const size_t framesAtStop = 6;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return sim->Device().Received().size() == framesAtStop; }, kWaitMs));

    StopButton()->click();
    const std::string logAtStop = LogText();
    EXPECT_TRUE(LoadButton()->isEnabled());
    release.set_value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Dlg().WorkerRunning(); }, kWaitMs));
    QTest::qWait(50);  // any queued refresh is shown

    EXPECT_EQ(LogText(), logAtStop);
    EXPECT_TRUE(logAtStop.ends_with("Loading firmware ... Package 1\r\n")) << logAtStop;
    EXPECT_EQ(sim->Device().Received().size(), framesAtStop);
    EXPECT_EQ(Log()->toPlainText().toStdString().find("Package 2"), std::string::npos);

    // A new Load on the same link downloads the whole script.
    clock.SetOnSleep({});
    sim->Device().ClearReceived();
    LoadButton()->click();
    EXPECT_FALSE(orvane::Clock().StopRequested());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Dlg().WorkerRunning(); }, kWaitMs));
    EXPECT_TRUE(LogText().ends_with("Package 4\r\nFirmware Successfully Downloaded.\r\n"))
        << LogText();
    EXPECT_EQ(g_serialLink.DeviceName(), SimPort());
}

TEST_F(SimConsoleTest, TheNextLoadWaitsForAStoppingWorker) {
    using orvane::sim::OrvaneDevice;
    UpdaterDlgSetup setup;
    setup.worker = DownloadWorker;
    setup.serialPorts = {SimPort()};
    chooser.path = WriteFirmwareScript(4);  // packages carry 0xAA
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));

    // The worker is held in its first wait after "Package 1", past the stop, until another
    // thread lets it go while the next Load is already under way.
    std::atomic<bool> held{false};
    std::atomic<bool> oldWorkerLetGo{false};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    clock.SetOnSleep([&](uint32_t) {
        bool package1 = false;
        {
            std::lock_guard guard(w.Dlg().m_logGuard);
            package1 = w.Dlg().m_strLog.find("Package 1\r\n") != std::string::npos;
        }
        if (package1 && !held.exchange(true)) {
            released.wait();
        }
    });
    LoadButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.load(); }, kWaitMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim->Device().Received().size() == 6; }, kWaitMs));
    StopButton()->click();
    ASSERT_TRUE(w.Dlg().WorkerRunning());
    sim->Device().ClearReceived();

    const std::vector<uint8_t> package = {0x00, 0xBB};
    const std::vector<std::vector<uint8_t>> newScript = {
        OrvaneDevice::MakeFrame(0xC7, 0x20), OrvaneDevice::MakeFrame(0xC7, 0x21),
        OrvaneDevice::MakeFrame(0xC7, 0x22), OrvaneDevice::MakeFrame(0xC7, 0x13, package)};
    chooser.path = WriteScript(newScript);
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        oldWorkerLetGo = true;
        release.set_value();
    });
    LoadButton()->click();  // pressed while the stopped worker is still held
    releaser.join();
    EXPECT_TRUE(oldWorkerLetGo.load());
    EXPECT_EQ(chooser.runs, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Dlg().WorkerRunning(); }, kWaitMs));
    EXPECT_EQ(LogText(),
              "Start bootloader.\r\nStart send bootloader command.\r\n"
              "Loading firmware ... Package 1\r\nFirmware Successfully Downloaded.\r\n");

    // The device got the new Load's probe and script, and nothing of the old script.
    const std::vector<orvane::sim::ReceivedFrame> received = sim->Device().Received();
    ASSERT_EQ(received.size(), 5U);
    EXPECT_EQ(ProbesReceived(), 1U);
    for (size_t i = 0; i < newScript.size(); ++i) {
        EXPECT_EQ(received[i + 1].bytes, newScript[i]) << "frame " << i + 1;
    }
    for (uint8_t i = 1; i < 4; ++i) {
        const std::vector<uint8_t> oldPackage = OrvaneDevice::MakeFrame(0xC7, 0x13, {i, 0xAA});
        for (const auto& frame : received) {
            EXPECT_NE(frame.bytes, oldPackage) << "package " << int{i} + 1 << " of the old script";
        }
    }
}

TEST_F(SimConsoleTest, UsbDownloadOfTheExampleScriptRunsToItsEnd) {
    g_hidLink.SetBackend(sim->HidBackend());
    UpdaterDlgSetup setup;
    setup.worker = DownloadWorker;
    chooser.path = ORVANE_SOURCE_DIR "/res/examples/demo-usb.txt";
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    Pick(1);
    LoadButton()->click();
    ASSERT_NE(w.Dlg().WorkerThread(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Dlg().WorkerRunning(); }, kWaitMs));
    const std::string log = LogText();
    EXPECT_TRUE(
        log.starts_with("Enter bootloader mode success!\r\nStart bootloader.\r\n"
                        "BL Version:SIM-2\r\nStart send bootloader command.\r\n"))
        << log;
    EXPECT_TRUE(log.ends_with("Firmware Successfully Downloaded.\r\n")) << log;
    const QString shown =
        QString::fromStdString(log).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Log()->toPlainText() == shown; }, kWaitMs));
    g_hidLink.SetBackend(&noHid);
}

TEST_F(SimConsoleTest, ClosingTheWindowDuringTheUsbProbeStartsNoWorker) {
    g_hidLink.SetBackend(sim->HidBackend());
    UpdaterDlgSetup setup;
    setup.worker = RecordingWorker::Run;
    chooser.path = WriteFirmwareScript(1);
    orvane::QtUpdaterWindow& w = MakeWindow(std::move(setup));
    Pick(1);
    // The probe holds in its wait until the operator has pressed Escape in the live window.
    std::atomic<bool> escaped{false};
    orvane::SetEventPump([&] {
        while (!escaped.load()) {
            std::this_thread::yield();
        }
    });
    QTimer::singleShot(0, &w, [&] {
        QTest::keyClick(&w, Qt::Key_Escape);
        escaped = true;
    });
    LoadButton()->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_EQ(w.Dlg().WorkerThread(), nullptr);
    EXPECT_EQ(RecordingWorker::s_runs, 0);
    g_hidLink.SetBackend(&noHid);
}

}  // namespace
}  // namespace apptest
