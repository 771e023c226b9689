// CPU spent by the USB probe's 5000 ms reply window when there is nothing to wait on: the link
// is closed (no device found), or the device fails every read at once (pulled mid-probe). The
// window must sleep, not spin: "core_percent" is the probing thread's CPU time over the wall
// time, in percent of one core (target: at most 1).
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "platform/HidBackend.h"

namespace {

using Steady = std::chrono::steady_clock;

class DeadDevice final : public orvane::IHidDevice {
public:
    int Write(const uint8_t*, size_t len) override { return static_cast<int>(len); }
    int Read(uint8_t*, size_t, int) override { return -1; }
    uint32_t InputReportLength() const override { return 64; }
    uint32_t OutputReportLength() const override { return 64; }
};

// Lists one matching device when `present`; its reads fail at once.
class IdleBackend final : public orvane::IHidBackend {
public:
    explicit IdleBackend(bool present) : m_present(present) {}
    std::vector<orvane::HidDeviceInfo> Enumerate() override {
        if (!m_present) {
            return {};
        }
        return {{"/dev/hidraw-dead", 0x0ACD, 0x3710, ""}};
    }
    std::unique_ptr<orvane::IHidDevice> OpenPath(const std::string&) override {
        return std::make_unique<DeadDevice>();
    }

private:
    bool m_present;
};

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void ProbeWithNothingToWaitOn(benchmark::State& state) {
    IdleBackend backend(state.range(0) != 0);
    g_hidLink.SetBackend(&backend);
    g_hidLink.Open(0x0ACD, 0x3710);
    g_interfaceKind = 1;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuStart = ThreadCpuSeconds();
        const auto wallStart = Steady::now();
        benchmark::DoNotOptimize(ProbeLink());
        cpu += ThreadCpuSeconds() - cpuStart;
        wall += std::chrono::duration<double>(Steady::now() - wallStart).count();
    }
    state.counters["core_percent"] = wall > 0 ? 100.0 * cpu / wall : 0;
    state.counters["wall_ms"] = 1000.0 * wall / static_cast<double>(state.iterations());
    g_hidLink.SetBackend(nullptr);
    g_interfaceKind = 0;
}
BENCHMARK(ProbeWithNothingToWaitOn)
    ->ArgName("device_present")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
