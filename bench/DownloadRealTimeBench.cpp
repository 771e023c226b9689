// Wall time of whole downloads against the simulated device, set against the waits the flow
// must make, and the time from a stop request to the worker's end during a pending USB read.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "download/DownloadWorker.h"
#include "download/WorkerWindow.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/PortScan.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "platform/SystemClock.h"
#include "sim/Simulation.h"
#include "sim/ScriptWriter.h"

namespace {

using namespace orvane;
using Steady = std::chrono::steady_clock;

constexpr int kFrames = 20;

// Real time that also adds up every wait asked of it.
class SummingClock final : public IClock {
public:
    bool Sleep(uint32_t ms) override {
        m_slept += ms;
        const auto start = Steady::now();
        const bool done = m_real.Sleep(ms);
        m_actualUs += static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - start).count());
        return done;
    }
    uint32_t TickCount() override { return m_real.TickCount(); }
    int64_t HighResCounter() override { return m_real.HighResCounter(); }
    int64_t HighResFrequency() override { return m_real.HighResFrequency(); }
    void RequestStop() override { m_real.RequestStop(); }
    void ClearStop() override { m_real.ClearStop(); }
    bool StopRequested() const override { return m_real.StopRequested(); }
    uint64_t Slept() const { return m_slept; }
    // Time actually spent in Sleep, in ms: what the waits cost once the OS has woken us.
    double ActualMs() const { return static_cast<double>(m_actualUs) / 1000.0; }

private:
    SystemClock m_real;
    std::atomic<uint64_t> m_slept{0};
    std::atomic<uint64_t> m_actualUs{0};
};

// The platform serial port, timing each read against what the read rule makes it last: a read
// that brings bytes ends 50 ms after the last one, a silent read after 200 ms.
class TimedPort final : public ISerialPort {
public:
    explicit TimedPort(std::unique_ptr<ISerialPort> inner) : m_inner(std::move(inner)) {}
    bool Open(const std::string& device, const std::string& mode) override {
        return m_inner->Open(device, mode);
    }
    void Close() override { m_inner->Close(); }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    int32_t Read(uint8_t* buf, uint32_t max) override {
        const auto start = Steady::now();
        const int32_t got = m_inner->Read(buf, max);
        m_actualMs += std::chrono::duration<double, std::milli>(Steady::now() - start).count();
        m_ruleMs += got > 0 ? 50.0 : 200.0;
        return got;
    }
    int32_t Write(const uint8_t* buf, uint32_t count) override {
        return m_inner->Write(buf, count);
    }
    void Reset() { m_actualMs = m_ruleMs = 0.0; }
    double ActualMs() const { return m_actualMs; }
    double RuleMs() const { return m_ruleMs; }

private:
    std::unique_ptr<ISerialPort> m_inner;
    double m_actualMs = 0.0;
    double m_ruleMs = 0.0;
};

class BenchWindow final : public CWorkerWindow {
public:
    void LogRefresh() override {
        std::lock_guard<std::mutex> lock(m_logGuard);
        m_lines = m_strLog;
    }
    bool Succeeded() {
        return m_lines.find("Firmware Successfully Downloaded.") != std::string::npos;
    }

private:
    std::string m_lines;
};

std::string WriteScript(bool usb, const std::string& name) {
    // Enter the bootloader, erase, start, then packages up to kFrames frames in all.
    const auto frames = sim::DownloadFrames(kFrames - 3, 128, false);
    const std::string path = "/tmp/" + name;
    std::ofstream(path, std::ios::binary) << sim::MakeScript(frames, usb);
    return path;
}

// required: the waits the flow must make; spent: what those waits really took (the OS wakes a
// thread a little late, more so on a loaded machine). The overhead beyond `spent` is the flow's
// own cost: link, worker, simulated device and the pipes between them.
void ReportFigures(benchmark::State& state, double wallMs, double requiredMs, double spentMs) {
    state.counters["wall_ms"] = wallMs;
    state.counters["required_ms"] = requiredMs;
    state.counters["overhead_ms_per_frame"] = (wallMs - requiredMs) / kFrames;
    state.counters["own_ms_per_frame"] = (wallMs - spentMs) / kFrames;
}

void BM_Rs232Download(benchmark::State& state) {
    sim::Simulation simulation;
    if (!simulation.Start()) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    SummingClock clock;
    SetClock(&clock);
    auto timed = std::make_unique<TimedPort>(MakeSystemSerialPort());
    TimedPort& port = *timed;
    g_serialLink.SetPort(std::move(timed));
    g_interfaceKind = 0;
    if (ScanSerialPorts(simulation.SerialPorts(), 19200) != 0) {
        SetClock(nullptr);
        state.SkipWithError("the simulated device did not answer");
        return;
    }
    BenchWindow window;
    window.m_strFilePath = WriteScript(false, "bench-rs232.txt");
    for (auto _ : state) {
        const uint64_t sleptBefore = clock.Slept();
        const double actualBefore = clock.ActualMs();
        port.Reset();
        const auto start = Steady::now();
        DownloadWorker(&window);
        const double wallMs =
            std::chrono::duration<double, std::milli>(Steady::now() - start).count();
        // The serial read rule's waits count as required: they are how a reply's end is found.
        const double required = static_cast<double>(clock.Slept() - sleptBefore) + port.RuleMs();
        ReportFigures(state, wallMs, required, clock.ActualMs() - actualBefore + port.ActualMs());
        // Where the lateness lies: in the worker's waits or in the serial back end's reads.
        state.counters["sleep_late_ms_per_frame"] =
            (clock.ActualMs() - actualBefore - static_cast<double>(clock.Slept() - sleptBefore)) /
            kFrames;
        state.counters["read_late_ms_per_frame"] = (port.ActualMs() - port.RuleMs()) / kFrames;
        if (!window.Succeeded()) {
            state.SkipWithError("the download failed");
        }
    }
    g_serialLink.SetPort(MakeSystemSerialPort());
    SetClock(nullptr);
}

void BM_UsbDownload(benchmark::State& state) {
    sim::Simulation simulation;
    SummingClock clock;
    SetClock(&clock);
    g_hidLink.SetBackend(simulation.HidBackend());
    g_interfaceKind = 1;
    BenchWindow window;
    window.m_nVid = 0x0ACD;
    window.m_nPid = 0x3710;
    g_hidLink.Open(window.m_nVid, window.m_nPid);
    if (!ProbeLink()) {
        SetClock(nullptr);
        state.SkipWithError("the simulated device did not answer");
        return;
    }
    window.m_strFilePath = WriteScript(true, "bench-usb.txt");
    for (auto _ : state) {
        const uint64_t sleptBefore = clock.Slept();
        const double actualBefore = clock.ActualMs();
        const auto start = Steady::now();
        DownloadWorker(&window);
        const double wallMs =
            std::chrono::duration<double, std::milli>(Steady::now() - start).count();
        // Every reply but frame 1's (lost in the restart) is there when it is read, so the reply
        // reads wait for nothing beyond the 200 ms pauses the worker sleeps.
        ReportFigures(state, wallMs, static_cast<double>(clock.Slept() - sleptBefore),
                      clock.ActualMs() - actualBefore);
        if (!window.Succeeded()) {
            state.SkipWithError("the download failed");
        }
    }
    g_hidLink.SetBackend(nullptr);
    SetClock(nullptr);
}

// Wraps the simulated back end to tell when a report read is in progress.
class WatchedBackend final : public IHidBackend {
public:
    explicit WatchedBackend(IHidBackend& inner) : m_inner(inner) {}
    std::vector<HidDeviceInfo> Enumerate() override { return m_inner.Enumerate(); }
    std::unique_ptr<IHidDevice> OpenPath(const std::string& path) override {
        auto device = m_inner.OpenPath(path);
        if (!device) {
            return nullptr;
        }
        return std::make_unique<Watched>(std::move(device), m_reading);
    }
    bool Reading() const { return m_reading.load() > 0; }

private:
    class Watched final : public IHidDevice {
    public:
        Watched(std::unique_ptr<IHidDevice> inner, std::atomic<int>& reading)
            : m_inner(std::move(inner)), m_reading(reading) {}
        int Write(const uint8_t* report, size_t len) override {
            return m_inner->Write(report, len);
        }
        int Read(uint8_t* report, size_t len, int timeoutMs) override {
            ++m_reading;
            const int got = m_inner->Read(report, len, timeoutMs);
            --m_reading;
            return got;
        }
        uint32_t InputReportLength() const override { return m_inner->InputReportLength(); }
        uint32_t OutputReportLength() const override { return m_inner->OutputReportLength(); }

    private:
        std::unique_ptr<IHidDevice> m_inner;
        std::atomic<int>& m_reading;
    };

    IHidBackend& m_inner;
    std::atomic<int> m_reading{0};
};

void BM_UsbStopDuringRead(benchmark::State& state) {
    sim::DeviceConfig config;
    config.silentFrame = 2;  // the worker then reads for frame 2's reply for up to 7.5 s
    sim::Simulation simulation(config);
    WatchedBackend backend(*simulation.HidBackend());
    SummingClock clock;
    SetClock(&clock);
    g_hidLink.SetBackend(&backend);
    g_interfaceKind = 1;
    BenchWindow window;
    window.m_nVid = 0x0ACD;
    window.m_nPid = 0x3710;
    window.m_strFilePath = WriteScript(true, "bench-stop.txt");
    g_hidLink.Open(window.m_nVid, window.m_nPid);
    ProbeLink();
    for (auto _ : state) {
        std::atomic<bool> done{false};
        Steady::time_point ended;
        std::thread worker([&] {
            DownloadWorker(&window);
            ended = Steady::now();
            done = true;
        });
        // Wait for frame 2, then for a read in progress well inside its reply wait.
        auto scriptFrames = [&] {
            int n = 0;
            for (const auto& frame : simulation.Device().Received()) {
                n += frame.bytes.size() > 11 && frame.bytes[10] == 0xC7 && frame.bytes[11] >= 0x12;
            }
            return n;
        };
        while (!done && scriptFrames() < 2) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        while (!done && !backend.Reading()) {
            std::this_thread::yield();
        }
        const auto stop = Steady::now();
        Clock().RequestStop();
        worker.join();
        state.counters["stop_to_end_ms"] =
            std::chrono::duration<double, std::milli>(ended - stop).count();
        Clock().ClearStop();
    }
    g_hidLink.SetBackend(nullptr);
    SetClock(nullptr);
}

BENCHMARK(BM_Rs232Download)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UsbDownload)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UsbStopDuringRead)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
