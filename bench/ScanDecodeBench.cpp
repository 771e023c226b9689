// Scan and decode throughput on a generated 16 MB script (goal: 200 MB/s or more), and the peak
// resident memory of the process while it holds the script.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "download/Script.h"

#if __has_include(<sys/resource.h>)
#include <sys/resource.h>
#define ORVANE_HAVE_RUSAGE 1
#endif

namespace {

constexpr size_t kScriptBytes = 16U << 20;

// A USB-style script with CR LF line ends: frames of 1024 bytes (2048 hex digits) each, in
// blocks closed by "SLEEP", with a comment now and then, ended by "END>".
const std::string& GeneratedScript() {
    static const std::string script = [] {
        static const char* const kDigits = "0123456789ABCDEF";
        std::string text;
        text.reserve(kScriptBytes + 4096);
        uint32_t seed = 12345;
        for (int block = 0; text.size() < kScriptBytes - 4096; ++block) {
            if (block % 64 == 0) {
                text += "; package group " + std::to_string(block / 64) + "\r\n";
            }
            text += "SEND:";
            for (int i = 0; i < 1024; ++i) {
                seed = seed * 1103515245U + 12345U;
                const uint32_t byte = (seed >> 16) & 0xFF;
                text += kDigits[byte >> 4];
                text += kDigits[byte & 0xF];
            }
            text += " SLEEP 100\r\n";
        }
        text += "END>\r\n\r\n";
        return text;
    }();
    return script;
}

void ReportPeakMemory(benchmark::State& state) {
#ifdef ORVANE_HAVE_RUSAGE
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0) {
        // ru_maxrss is in KiB on Linux.
        state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
#endif
    state.counters["script_MiB"] =
        static_cast<double>(GeneratedScript().size()) / (1024.0 * 1024.0);
}

// What the worker does per block, without the link: scan, then decode into the frame buffer.
void BM_ScanDecode(benchmark::State& state) {
    const std::string& raw = GeneratedScript();
    orvane::ScriptText script;
    if (!orvane::ScriptTextFromBytes(raw.data(), raw.size(), script)) {
        state.SkipWithError("no memory for the script");
        return;
    }
    std::vector<char> frameText(orvane::kFrameTextSize);
    std::vector<uint8_t> frame(orvane::kFrameBufferSize);
    uint64_t decoded = 0;
    for (auto _ : state) {
        orvane::ScriptScan scan(script);
        orvane::FrameBlock block;
        while (scan.Next(block, frameText.data())) {
            uint32_t count = 0;
            HexTextToBytes(frameText.data(), block.textLength, frame.data(), &count);
            decoded += count;
            benchmark::DoNotOptimize(frame.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(raw.size()));
    state.counters["frame_bytes_per_pass"] =
        static_cast<double>(decoded) / static_cast<double>(state.iterations());
    ReportPeakMemory(state);
}
BENCHMARK(BM_ScanDecode)->Unit(benchmark::kMillisecond);

// The whole-script check that runs before the first frame goes out.
void BM_CheckScript(benchmark::State& state) {
    const std::string& raw = GeneratedScript();
    orvane::ScriptText script;
    if (!orvane::ScriptTextFromBytes(raw.data(), raw.size(), script)) {
        state.SkipWithError("no memory for the script");
        return;
    }
    for (auto _ : state) {
        const orvane::ScriptCheck check = orvane::CheckScript(script);
        if (!check.Accepted()) {
            state.SkipWithError("generated script refused");
            return;
        }
        benchmark::DoNotOptimize(check.frames);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(raw.size()));
    ReportPeakMemory(state);
}
BENCHMARK(BM_CheckScript)->Unit(benchmark::kMillisecond);

// Reading the file from disk, with the CR LF translation.
void BM_ReadScriptFile(benchmark::State& state) {
    const std::string& raw = GeneratedScript();
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "orvane-scan-decode-bench.txt";
    std::ofstream(path, std::ios::binary) << raw;
    for (auto _ : state) {
        orvane::ScriptText script;
        if (!orvane::ReadScriptFile(path.string(), script)) {
            state.SkipWithError("cannot read the generated script");
            break;
        }
        benchmark::DoNotOptimize(script.data());
    }
    std::error_code error;
    std::filesystem::remove(path, error);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(raw.size()));
    ReportPeakMemory(state);
}
BENCHMARK(BM_ReadScriptFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
