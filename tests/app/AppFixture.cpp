#include "AppFixture.h"

#include <QtTest/QTest>

#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "sim/OrvaneDevice.h"
#include "sim/ScriptWriter.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QtCore/QFile>

#include <cstdio>

namespace apptest {

void ConsoleTest::SetUp() {
    orvane::SetClock(&clock);
    g_serialLink.Close();
    g_hidLink.SetBackend(&noHid);
    g_interfaceKind = 0;
}

void ConsoleTest::TearDown() {
    dlg.reset();
    orvane::SetEventPump({});
    g_serialLink.Close();
    g_hidLink.SetBackend(&noHid);
    g_interfaceKind = 0;
    orvane::SetClock(nullptr);
}

orvane::QtUpdaterWindow& ConsoleTest::MakeWindow(UpdaterDlgSetup setup) {
    setup.chooser = chooser.Get();  // never the real, modal one
    dlg = std::make_unique<orvane::QtUpdaterWindow>(std::move(setup));
    dlg->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    return *dlg;
}

void ConsoleTest::Pick(int index) {
    Interface()->setCurrentIndex(index);
    emit Interface()->activated(index);
}

std::string ConsoleTest::LogText() {
    std::lock_guard guard(dlg->Dlg().m_logGuard);
    return dlg->Dlg().m_strLog;
}

std::atomic<void*> RecordingWorker::s_param{nullptr};
std::atomic<int> RecordingWorker::s_runs{0};
std::atomic<bool> ChattyWorker::s_returned{false};

unsigned RecordingWorker::Run(void* param) {
    s_param = param;
    ++s_runs;
    return 0;
}

unsigned ChattyWorker::Run(void* param) {
    auto* window = static_cast<CWorkerWindow*>(param);
    for (;;) {
        {
            std::lock_guard guard(window->m_logGuard);
            if (orvane::Clock().StopRequested()) {
                break;
            }
            window->m_strLog += "tick\r\n";
        }
        window->LogRefresh();
        if (!orvane::Clock().Sleep(100)) {
            break;
        }
    }
    s_returned = true;
    return 0;
}

void SimConsoleTest::SetUp() {
    ConsoleTest::SetUp();
    RecordingWorker::s_param = nullptr;
    RecordingWorker::s_runs = 0;
    ChattyWorker::s_returned = false;
    ASSERT_TRUE(dir.isValid());
    sim = std::make_unique<orvane::sim::Simulation>();
    std::string error;
    ASSERT_TRUE(sim->Start(&error)) << error;
}

void SimConsoleTest::TearDown() {
    ConsoleTest::TearDown();
    sim.reset();
    if (silentMaster >= 0) {
        ::close(silentMaster);
    }
}

std::string SimConsoleTest::SilentPort() {
    silentMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(silentMaster, 0);
    EXPECT_EQ(::grantpt(silentMaster), 0);
    EXPECT_EQ(::unlockpt(silentMaster), 0);
    const char* name = ::ptsname(silentMaster);
    return name != nullptr ? name : "";
}

std::string SimConsoleTest::WriteScript(const std::vector<std::vector<uint8_t>>& frames) {
    const std::string text = orvane::sim::MakeScript(frames, false);
    const QString path = dir.filePath(QStringLiteral("script-%1.txt").arg(frames.size()));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.data(), static_cast<qint64>(text.size()));
    return path.toStdString();
}

std::string SimConsoleTest::WriteFirmwareScript(int packages) {
    using orvane::sim::OrvaneDevice;
    std::vector<std::vector<uint8_t>> frames = {OrvaneDevice::MakeFrame(0xC7, 0x20),
                                                OrvaneDevice::MakeFrame(0xC7, 0x21),
                                                OrvaneDevice::MakeFrame(0xC7, 0x22)};
    for (int i = 0; i < packages; ++i) {
        frames.push_back(OrvaneDevice::MakeFrame(0xC7, 0x13, {static_cast<uint8_t>(i), 0xAA}));
    }
    return WriteScript(frames);
}

size_t SimConsoleTest::ProbesReceived() const {
    size_t probes = 0;
    for (const auto& frame : sim->Device().Received()) {
        if (frame.bytes.size() > 11 && frame.bytes[10] == 0x18 && frame.bytes[11] == 0x01) {
            ++probes;
        }
    }
    return probes;
}

}  // namespace apptest
