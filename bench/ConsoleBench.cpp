// Responsiveness of the console on the simulated device. Run by hand (offscreen or on a display):
//   console_bench --benchmark_counters_tabular=true
// Goals: stalls <= 50 ms (the 500 ms pause after a cancelled chooser aside), Stop to the
// worker's end <= 50 ms, Stop during Load's search to Load enabled again <= 50 ms. Start-up is
// measured twice: the window's construction in this process, and a whole
// `orvane-updater --simulate` process from its launch to its window shown.
#include <benchmark/benchmark.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QPushButton>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/QtUpdaterWindow.h"
#include "download/DownloadWorker.h"
#include "link/HidLink.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/VirtualClock.h"
#include "sim/OrvaneDevice.h"
#include "sim/ScriptWriter.h"
#include "sim/Simulation.h"

namespace {

// Ticks every 5 ms on the window's thread and keeps the longest gap between two ticks.
class StallMeter {
public:
    StallMeter() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_maxGapMs = std::max(m_maxGapMs, now - m_lastMs);
            if (now - m_lastMs > 30)
                std::fprintf(stderr, "gap %lld at %lld\n", now - m_lastMs, now);
            m_lastMs = now;
        });
        m_clock.start();
        m_timer.start();
    }
    double MaxGapMs() const { return static_cast<double>(m_maxGapMs); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastMs = 0;
    qint64 m_maxGapMs = 0;
};

std::string WriteScript(const QTemporaryDir& dir, int packages) {
    using orvane::sim::OrvaneDevice;
    std::vector<std::vector<uint8_t>> frames = {OrvaneDevice::MakeFrame(0xC7, 0x20),
                                                OrvaneDevice::MakeFrame(0xC7, 0x21),
                                                OrvaneDevice::MakeFrame(0xC7, 0x22)};
    for (int i = 0; i < packages; ++i) {
        frames.push_back(OrvaneDevice::MakeFrame(0xC7, 0x13, std::vector<uint8_t>(200, 0x5A)));
    }
    const std::string path = dir.filePath(QStringLiteral("bench.txt")).toStdString();
    std::ofstream(path, std::ios::binary) << orvane::sim::MakeScript(frames, false);
    return path;
}

UpdaterDlgSetup Setup(const std::string& script, std::vector<std::string> ports) {
    UpdaterDlgSetup setup;
    setup.chooser = [script]() { return std::optional<std::string>(script); };
    setup.worker = DownloadWorker;
    setup.serialPorts = std::move(ports);
    return setup;
}

bool WaitForWorkerEnd(orvane::QtUpdaterWindow& dlg, int timeoutMs) {
    return QTest::qWaitFor([&] { return !dlg.Dlg().WorkerRunning(); }, timeoutMs);
}

// A download of 300 packages over RS232, waits on a virtual clock (the serial reads are real).
void BM_StallDuringDownload(benchmark::State& state) {
    orvane::VirtualClock clock;
    orvane::SetClock(&clock);
    QTemporaryDir dir;
    orvane::sim::Simulation sim;
    if (!sim.Start()) {
        state.SkipWithError("no pseudo-terminal");
        orvane::SetClock(nullptr);
        return;
    }
    const std::string script = WriteScript(dir, static_cast<int>(state.range(0)));
    double worst = 0;
    for (auto _ : state) {
        orvane::QtUpdaterWindow dlg(Setup(script, sim.SerialPorts()));
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        StallMeter meter;
        QTimer::singleShot(0, &dlg, [&] { dlg.findChild<QPushButton*>("IDC_BTN_LOAD")->click(); });
        QTest::qWait(20);
        if (!WaitForWorkerEnd(dlg, 600000)) {
            state.SkipWithError("download did not end");
            break;
        }
        worst = std::max(worst, meter.MaxGapMs());
    }
    state.counters["max_stall_ms"] = worst;
    g_serialLink.Close();
    orvane::SetClock(nullptr);
}
BENCHMARK(BM_StallDuringDownload)->Arg(300)->Iterations(1)->Unit(benchmark::kMillisecond);

// Pseudo-terminals that open and never answer, closed again when it goes.
struct SilentPorts {
    SilentPorts(int count, benchmark::State& state) {
        for (int i = 0; i < count; ++i) {
            const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
            if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
                state.SkipWithError("no pseudo-terminal");
                break;
            }
            masters.push_back(master);
            ports.emplace_back(::ptsname(master));
        }
    }
    ~SilentPorts() {
        for (int master : masters) {
            ::close(master);
        }
    }
    SilentPorts(const SilentPorts&) = delete;
    SilentPorts& operator=(const SilentPorts&) = delete;

    std::vector<int> masters;
    std::vector<std::string> ports;
};

// Load's scan over 40 pseudo-terminals that open and never answer, waits on a virtual clock.
void BM_StallDuringSilentScan(benchmark::State& state) {
    orvane::VirtualClock clock;
    orvane::SetClock(&clock);
    SilentPorts silent(40, state);
    const std::vector<std::string>& ports = silent.ports;
    double worst = 0;
    for (auto _ : state) {
        if (ports.size() != 40) {
            break;
        }
        orvane::QtUpdaterWindow dlg(Setup("/dev/null", ports));
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        StallMeter meter;
        QTimer::singleShot(0, &dlg, [&] { dlg.findChild<QPushButton*>("IDC_BTN_LOAD")->click(); });
        QTest::qWait(20);  // the click returns when the scan has ended
        worst = std::max(worst, meter.MaxGapMs());
    }
    state.counters["max_stall_ms"] = worst;
    orvane::SetClock(nullptr);
}
BENCHMARK(BM_StallDuringSilentScan)->Iterations(1)->Unit(benchmark::kMillisecond);

// Real time: Load's two USB probes of a device that is present but never answers.
void BM_StallDuringSilentUsbProbe(benchmark::State& state) {
    orvane::sim::DeviceConfig config;
    config.silent = true;
    orvane::sim::Simulation sim(config);
    g_hidLink.SetBackend(sim.HidBackend());
    double worst = 0;
    for (auto _ : state) {
        orvane::QtUpdaterWindow dlg(Setup("/dev/null", {}));
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        auto* combo = dlg.findChild<QComboBox*>("IDC_CMB_INTERFACE");
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        StallMeter meter;
        QTimer::singleShot(0, &dlg, [&] { dlg.findChild<QPushButton*>("IDC_BTN_LOAD")->click(); });
        QTest::qWait(20);  // the click returns when both probes have ended
        worst = std::max(worst, meter.MaxGapMs());
    }
    state.counters["max_stall_ms"] = worst;
    g_hidLink.SetBackend(nullptr);
}
BENCHMARK(BM_StallDuringSilentUsbProbe)->Iterations(1)->Unit(benchmark::kMillisecond);

// Real time: Stop pressed 1 s into Load's search (arg 0: the scan of 40 pseudo-terminals that
// never answer; 1: the probes of a USB device that never answers), until Load is enabled again.
void BM_StopDuringSearch(benchmark::State& state) {
    const bool usb = state.range(0) == 1;
    orvane::sim::DeviceConfig config;
    config.silent = true;
    orvane::sim::Simulation sim(config);
    g_hidLink.SetBackend(sim.HidBackend());
    SilentPorts silent(usb ? 0 : 40, state);
    const std::vector<std::string>& ports = silent.ports;
    double worst = 0;
    for (auto _ : state) {
        orvane::QtUpdaterWindow dlg(Setup("/dev/null", ports));
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        if (usb) {
            auto* combo = dlg.findChild<QComboBox*>("IDC_CMB_INTERFACE");
            combo->setCurrentIndex(1);
            emit combo->activated(1);
        }
        auto* load = dlg.findChild<QPushButton*>("IDC_BTN_LOAD");
        auto* stop = dlg.findChild<QPushButton*>("IDC_BTN_STOP");
        QElapsedTimer sinceStop;
        double ms = -1;
        QTimer watch;
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (sinceStop.isValid() && ms < 0 && load->isEnabled()) {
                ms = static_cast<double>(sinceStop.nsecsElapsed()) / 1e6;
            }
        });
        watch.start();
        bool searching = false;
        QTimer::singleShot(1000, &dlg, [&] {
            searching = !load->isEnabled();
            sinceStop.start();
            stop->click();
        });
        QTimer::singleShot(0, &dlg, [&] { load->click(); });
        if (!QTest::qWaitFor([&] { return ms >= 0; }, 15000)) {
            state.SkipWithError("Load did not come back after Stop");
            break;
        }
        if (!searching) {
            state.SkipWithError("the search had ended before Stop");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
        worst = std::max(worst, ms);
    }
    state.counters["max_ms"] = worst;
    g_hidLink.SetBackend(nullptr);
}
BENCHMARK(BM_StopDuringSearch)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Real time: Stop pressed while a download runs, until the worker has returned.
void BM_StopToWorkerEnd(benchmark::State& state) {
    QTemporaryDir dir;
    orvane::sim::Simulation sim;
    if (!sim.Start()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const std::string script = WriteScript(dir, 50);
    orvane::QtUpdaterWindow dlg(Setup(script, sim.SerialPorts()));
    dlg.show();
    (void)QTest::qWaitForWindowExposed(&dlg);
    auto* load = dlg.findChild<QPushButton*>("IDC_BTN_LOAD");
    auto* stop = dlg.findChild<QPushButton*>("IDC_BTN_STOP");
    double worst = 0;
    for (auto _ : state) {
        load->click();
        // Into the run: past the 5 s after frame 1, somewhere in the packages.
        const bool running = QTest::qWaitFor(
            [&] {
                std::lock_guard guard(dlg.Dlg().m_logGuard);
                return dlg.Dlg().m_strLog.find("Package 2\r\n") != std::string::npos;
            },
            30000);
        if (!running) {
            state.SkipWithError("download did not reach package 2");
            break;
        }
        QElapsedTimer t;
        t.start();
        stop->click();
        while (dlg.Dlg().WorkerRunning()) {
            QCoreApplication::processEvents();
        }
        const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000.0);
        worst = std::max(worst, ms);
    }
    state.counters["max_ms"] = worst;
    g_serialLink.Close();
}
BENCHMARK(BM_StopToWorkerEnd)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// Construction of the main window until it is exposed.
void BM_StartToWindowShown(benchmark::State& state) {
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        orvane::QtUpdaterWindow dlg(UpdaterDlgSetup{});
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_StartToWindowShown)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

// From launching `orvane-updater --simulate` to its window exposed, as the program reports it
// on ORVANE_EXIT_WHEN_SHOWN; includes loading the program and its libraries and starting Qt
// and the simulated device. main_to_shown_ms is the part from the program's own start.
void BM_ProcessStartToWindowShown(benchmark::State& state) {
    double mainToShownMs = 0;
    for (auto _ : state) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ORVANE_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer t;
        t.start();
        process.start(QStringLiteral(ORVANE_UPDATER_PATH), {QStringLiteral("--simulate")});
        QByteArray line;
        while (!line.startsWith("shown ") && process.waitForReadyRead(10000)) {
            line = process.readLine().trimmed();
        }
        const double launchToShown = static_cast<double>(t.nsecsElapsed()) / 1e9;
        if (!line.startsWith("shown ") || !process.waitForFinished(10000) ||
            process.exitCode() != 0) {
            state.SkipWithError("orvane-updater did not report its window shown");
            process.kill();
            process.waitForFinished();
            break;
        }
        mainToShownMs += line.mid(6).toDouble();
        state.SetIterationTime(launchToShown);
    }
    state.counters["main_to_shown_ms"] =
        benchmark::Counter(mainToShownMs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ProcessStartToWindowShown)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
