// The station: N simulated devices flashed side by side by orvane-flash --all, against one device
// alone, in one run of this program. Reports the wall time of each, their ratio, and the CPU time
// the whole process tree spent per download per second of wall time (the share of a core that
// one running download takes).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "sim/ScriptWriter.h"

namespace {

using Steady = std::chrono::steady_clock;

constexpr int kPackages = 20;

std::string WriteScript(bool usb) {
    const std::string path = std::string("/tmp/orvane-station-bench-") + (usb ? "usb" : "rs232") +
                             "-" + std::to_string(getpid()) + ".txt";
    std::ofstream(path, std::ios::binary)
        << orvane::sim::MakeScript(orvane::sim::DownloadFrames(kPackages, 64, true), usb);
    return path;
}

double CpuSecondsOfChildren() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int status = -1;
};

Run Flash(const std::string& script, bool usb, int devices) {
    const std::string command = std::string("'") + ORVANE_FLASH_BINARY + "' --all --json" +
                                (usb ? " --usb" : "") + " --simulate --sim-devices " +
                                std::to_string(devices) + " '" + script + "' >/dev/null 2>&1";
    const double cpuBefore = CpuSecondsOfChildren();
    const auto start = Steady::now();
    const int raw = std::system(command.c_str());
    Run run;
    run.wallSeconds = std::chrono::duration<double>(Steady::now() - start).count();
    run.cpuSeconds = CpuSecondsOfChildren() - cpuBefore;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

void BM_StationParallel(benchmark::State& state) {
    const bool usb = state.range(0) != 0;
    const int devices = static_cast<int>(state.range(1));
    const std::string script = WriteScript(usb);
    Run one;
    Run many;
    for (auto _ : state) {
        one = Flash(script, usb, 1);
        many = Flash(script, usb, devices);
        state.SetIterationTime(many.wallSeconds);
    }
    std::remove(script.c_str());
    if (one.status != 0 || many.status != 0) {
        state.SkipWithError("a download failed");
        return;
    }
    state.counters["one_device_s"] = one.wallSeconds;
    state.counters["n_devices_s"] = many.wallSeconds;
    state.counters["ratio"] = many.wallSeconds / one.wallSeconds;
    state.counters["cpu_per_download_pct"] = 100.0 * many.cpuSeconds / (many.wallSeconds * devices);
    state.counters["cpu_one_download_pct"] = 100.0 * one.cpuSeconds / one.wallSeconds;
}

}  // namespace

// {usb, devices}: RS232 (pseudo-terminals) and USB (the simulated HID face), eight devices.
BENCHMARK(BM_StationParallel)
    ->Args({0, 8})
    ->Args({1, 8})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
