// orvane-flash as a station, end to end and in real time, against simulated devices: RS232 ones
// served by this test on pseudo-terminals (so that it sees what each device received), and the
// flasher's own simulated USB devices.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "FlashRun.h"
#include "StationSchema.h"
#include "cli/station/Sha256.h"
#include "sim/OrvaneDevice.h"
#include "sim/ScriptWriter.h"
#include "sim/SimSerialDevice.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using orvane::sim::OrvaneDevice;
using orvane::sim::SimSerialDevice;
using stationtest::FlashRun;
using stationtest::JsonValue;

using Frames = std::vector<std::vector<uint8_t>>;

// Four frames: enter the bootloader, two plain commands (no extra waits), one package.
Frames FourFrames() {
    Frames frames = orvane::sim::DownloadFrames(1, 16, false);
    frames[1] = OrvaneDevice::MakeFrame(0xC7, 0x17, {0x01});
    return frames;
}

const std::vector<std::string> kRs232Lines = {
    "Open RS232 interface success.", "Start bootloader.", "Start send bootloader command.",
    "Loading firmware ... Package 1", "Firmware Successfully Downloaded."};

class StationRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("station-run-" + std::to_string(getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "records");
    }
    void TearDown() override {
        for (auto& serial : m_serials) {
            serial->Stop();
        }
        fs::remove_all(m_dir);
    }

    std::string Script(const Frames& frames, bool usb) {
        const std::string path = (m_dir / (usb ? "usb.txt" : "rs232.txt")).string();
        std::ofstream(path, std::ios::binary) << orvane::sim::MakeScript(frames, usb);
        return path;
    }
    // A device on a pseudo-terminal of its own; returns its path.
    std::string Serve(orvane::sim::DeviceConfig config = {}) {
        m_devices.push_back(std::make_unique<OrvaneDevice>(config));
        m_serials.push_back(std::make_unique<SimSerialDevice>(*m_devices.back()));
        std::string error;
        EXPECT_TRUE(m_serials.back()->Start(&error)) << error;
        return m_serials.back()->SlavePath();
    }
    // The script frames device `index` received, probes left out.
    Frames ScriptFramesOf(std::size_t index) const {
        Frames frames;
        for (const auto& r : m_devices[index]->Received()) {
            if (r.bytes.size() > 11 && r.bytes[10] != 0x18) {
                frames.push_back(r.bytes);
            }
        }
        return frames;
    }
    std::vector<JsonValue> Records() const {
        std::vector<JsonValue> records;
        for (const auto& entry : fs::directory_iterator(m_dir / "records")) {
            EXPECT_EQ(entry.path().extension(), ".json") << "no temporary file is left";
            std::stringstream text;
            text << std::ifstream(entry.path()).rdbuf();
            JsonValue record;
            std::string error;
            EXPECT_TRUE(orvane::cli::station::ParseJson(text.str(), record, error)) << error;
            EXPECT_EQ(stationtest::RecordProblems(record), "") << entry.path();
            records.push_back(record);
        }
        return records;
    }

    fs::path m_dir;
    std::vector<std::unique_ptr<OrvaneDevice>> m_devices;
    std::vector<std::unique_ptr<SimSerialDevice>> m_serials;
};

TEST_F(StationRunTest, AllFlashesEveryDeviceAtOnceAndOneFailureStaysItsOwn) {
    orvane::sim::DeviceConfig failing;
    failing.failFrame = 3;
    const std::vector<std::string> ports = {Serve(), Serve(failing), Serve()};
    const Frames frames = FourFrames();
    const std::string script = Script(frames, false);

    const auto start = std::chrono::steady_clock::now();
    FlashRun run({"--all", "--json", "--record", (m_dir / "records").string(), "--port", ports[0],
                  "--port", ports[1], "--port", ports[2], script});
    const int status = run.Finish();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(status, 1) << run.Err();
    EXPECT_LT(took, 15s) << "the three downloads ran side by side";

    const auto logs = run.LogsByDevice();
    EXPECT_EQ(logs.at(ports[0]), kRs232Lines);
    EXPECT_EQ(logs.at(ports[2]), kRs232Lines);
    EXPECT_EQ(logs.at(ports[1]),
              (std::vector<std::string>{"Open RS232 interface success.", "Start bootloader.",
                                        "Send command fail."}));
    EXPECT_EQ(ScriptFramesOf(0), frames);
    EXPECT_EQ(ScriptFramesOf(2), frames);
    EXPECT_EQ(ScriptFramesOf(1), Frames(frames.begin(), frames.begin() + 3))
        << "the failing device heard nothing after its refused frame";

    const auto results = run.ResultsByDevice();
    EXPECT_EQ(results.at(ports[0])["outcome"].text, "downloaded");
    EXPECT_EQ(results.at(ports[1])["outcome"].text, "failed");
    EXPECT_EQ(results.at(ports[1])["exit"].number, 1);
    const JsonValue& summary = run.Events().back();
    EXPECT_EQ(summary["event"].text, "summary");
    EXPECT_EQ(summary["devices"].number, 3);
    EXPECT_EQ(summary["downloaded"].number, 2);
    EXPECT_EQ(summary["failed"].number, 1);
    EXPECT_EQ(summary["exit"].number, 1);

    const auto records = Records();
    ASSERT_EQ(records.size(), 3U);
    std::string sha;
    uint64_t size = 0;
    ASSERT_TRUE(orvane::cli::station::Sha256OfFile(script, sha, &size));
    for (const JsonValue& record : records) {
        EXPECT_EQ(record["script"]["sha256"].text, sha);
        EXPECT_EQ(record["script"]["size"].number, static_cast<double>(size));
        EXPECT_EQ(record["frames"]["script"].number, 4);
        EXPECT_EQ(record["interface"].text, "rs232");
        const std::string& device = record["device"]["path"].text;
        EXPECT_EQ(record["log"].items.size(), logs.at(device).size()) << device;
        // Progress counts the exchanges that completed: the refused third one does not.
        EXPECT_EQ(record["frames"]["sent"].number, device == ports[1] ? 2 : 4);
    }
}

TEST_F(StationRunTest, AllOverUsbKeepsEachOfTheIdenticalDevicesApart) {
    Frames frames = orvane::sim::DownloadFrames(1, 16, false);
    frames[1] = OrvaneDevice::MakeFrame(0xC7, 0x17, {0x01});
    frames.insert(frames.begin() + 2, OrvaneDevice::MakeFrame(0xC7, 0x15));  // a restart
    const std::string script = Script(frames, true);
    FlashRun run({"--all", "--usb", "--json", "--record", (m_dir / "records").string(),
                  "--simulate", "--sim-devices", "3", "--sim-version", "V1", "--sim-version",
                  "V2@2", "--sim-hang-up", "4@3", script});
    EXPECT_EQ(run.Finish(), 1) << run.Err();

    const std::vector<std::string> good = {"Open USB interface success.",
                                           "Enter bootloader mode success!",
                                           "Start bootloader.",
                                           "BL Version:V1",
                                           "Start send bootloader command.",
                                           "Loading firmware ... Package 1",
                                           "Loading firmware ... Package 2",
                                           "Firmware Successfully Downloaded."};
    std::vector<std::string> second = good;
    second[3] = "BL Version:V2";
    const auto logs = run.LogsByDevice();
    ASSERT_EQ(logs.size(), 3U);
    EXPECT_EQ(logs.at("sim:hidraw0"), good);
    EXPECT_EQ(logs.at("sim:hidraw1"), second) << "device 2's own version: its own device";
    EXPECT_EQ(logs.at("sim:hidraw2").back(), "Send command fail.") << "device 3 hung up";

    std::map<std::string, JsonValue> found;
    for (const JsonValue& e : run.Events()) {
        if (e["event"].text == "device") {
            found[e["device"].text] = e;
        }
    }
    EXPECT_EQ(found.at("sim:hidraw1")["port_path"].text, "sim-1.2");
    EXPECT_EQ(found.at("sim:hidraw1")["serial_number"].text, "SIM0002");

    const auto records = Records();
    ASSERT_EQ(records.size(), 3U);
    for (const JsonValue& record : records) {
        const std::string& device = record["device"]["path"].text;
        EXPECT_EQ(record["bootloader_version"].text, device == "sim:hidraw1" ? "V2" : "V1");
        EXPECT_EQ(record["device"]["port_path"].kind, JsonValue::Kind::String);
        EXPECT_EQ(record["outcome"].text, device == "sim:hidraw2" ? "failed" : "downloaded");
    }
}

TEST_F(StationRunTest, WatchFlashesEachAppearanceOnce) {
    const std::string first = Serve();
    const std::string second = Serve();
    const std::string a = (m_dir / "a").string();
    const std::string b = (m_dir / "b").string();
    const std::string script = Script(FourFrames(), false);
    fs::create_symlink(first, a);  // plugged in before the station starts

    FlashRun run({"--watch", "--count", "3", "--json", "--port", a, "--port", b, script});
    JsonValue result;
    ASSERT_TRUE(run.NextEvent("result", result)) << run.Err();
    EXPECT_EQ(result["device"].text, a);
    EXPECT_EQ(result["outcome"].text, "downloaded");

    fs::create_symlink(second, b);  // the next adapter, while a stays attached
    ASSERT_TRUE(run.NextEvent("result", result)) << run.Err();
    EXPECT_EQ(result["device"].text, b);
    std::this_thread::sleep_for(1500ms);  // three scans with a still there
    EXPECT_EQ(ScriptFramesOf(0).size(), 4U) << "an attached device is not flashed again";

    fs::remove(a);  // a leaves and comes back
    std::this_thread::sleep_for(1500ms);
    fs::create_symlink(first, a);
    ASSERT_TRUE(run.NextEvent("result", result)) << run.Err();
    EXPECT_EQ(result["device"].text, a);
    EXPECT_EQ(run.Finish(), 0) << "the count is reached: " << run.Err();
    EXPECT_EQ(ScriptFramesOf(0).size(), 8U);
    EXPECT_EQ(ScriptFramesOf(1).size(), 4U);
    EXPECT_EQ(run.Events().back()["devices"].number, 3);
}

TEST_F(StationRunTest, ASignalStopsEveryDownloadAndTheRecordsSaySo) {
    const std::vector<std::string> ports = {Serve(), Serve()};
    const std::string script = Script(FourFrames(), false);
    FlashRun run({"--watch", "--json", "--record", (m_dir / "records").string(), "--port", ports[0],
                  "--port", ports[1], script});
    int started = 0;
    JsonValue progress;
    while (started < 2 && run.NextEvent("progress", progress)) {
        started += progress["sent"].number == 1 ? 1 : 0;
    }
    ASSERT_EQ(started, 2) << run.Err();
    const auto stopped = std::chrono::steady_clock::now();
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Finish(5000), 143) << run.Err();
    // Well inside Finish's 5 s; the children's exit is slow under a sanitizer.
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 4s);
    // Frame 2 follows frame 1's progress at once and may still be on its way when the signal
    // lands; once the station has ended, no download of it may go on.
    const auto heard = ScriptFramesOf(0).size() + ScriptFramesOf(1).size();
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(ScriptFramesOf(0).size() + ScriptFramesOf(1).size(), heard)
        << "nothing went out after the stop";
    // Frame 3 comes 500 ms and a read after frame 2: only frames 1 and 2 can have gone out.
    EXPECT_LE(ScriptFramesOf(0).size(), 2U) << "the stop cut the download short";
    EXPECT_LE(ScriptFramesOf(1).size(), 2U) << "the stop cut the download short";
    for (const auto& [device, result] : run.ResultsByDevice()) {
        EXPECT_EQ(result["outcome"].text, "stopped") << device;
    }
    const auto records = Records();
    ASSERT_EQ(records.size(), 2U);
    for (const JsonValue& record : records) {
        EXPECT_EQ(record["outcome"].text, "stopped");
        EXPECT_EQ(record["frames"]["sent"].number, 1);
    }
}

// A device that vanishes after the probe, one that answers garbage and a named port that is not
// there: each has its own result and record with its reason, and the good device is unaffected.
TEST_F(StationRunTest, EachFaultyDeviceGetsItsOwnReasonAndTheOthersGoOn) {
    orvane::sim::DeviceConfig vanishing;
    vanishing.hangUpFrame = 3;
    orvane::sim::DeviceConfig garbage;
    garbage.garbageFrame = 3;
    const std::vector<std::string> ports = {Serve(), Serve(vanishing), Serve(garbage),
                                            (m_dir / "ttyMissing").string()};
    const Frames frames = FourFrames();
    FlashRun run({"--all", "--json", "--record", (m_dir / "records").string(), "--port", ports[0],
                  "--port", ports[1], "--port", ports[2], "--port", ports[3],
                  Script(frames, false)});
    EXPECT_EQ(run.Finish(), 1) << run.Err();
    EXPECT_EQ(run.LogsByDevice().at(ports[0]), kRs232Lines);
    EXPECT_EQ(ScriptFramesOf(0), frames);

    const auto results = run.ResultsByDevice();
    struct Expected {
        std::size_t port;
        const char* outcome;
        const char* reason;
    };
    const Expected expected[] = {
        {0, "downloaded", nullptr},
        {1, "failed", "\"Send command fail.\" at frame 3 of 4"},
        {2, "failed", "\"Send command fail.\" at frame 3 of 4"},
        {3, "no answer", "not found"},
    };
    for (const Expected& e : expected) {
        const JsonValue& result = results.at(ports[e.port]);
        EXPECT_EQ(result["outcome"].text, e.outcome) << ports[e.port];
        if (e.reason == nullptr) {
            EXPECT_EQ(result["reason"].kind, JsonValue::Kind::Null);
        } else {
            EXPECT_NE(result["reason"].text.find(e.reason), std::string::npos)
                << ports[e.port] << ": " << result["reason"].text;
        }
    }
    // What each failing device's last diagnostic says came back.
    std::map<std::string, std::string> lastDiagnostic;
    for (const JsonValue& event : run.Events()) {
        if (event["event"].text == "diagnostic") {
            lastDiagnostic[event["device"].text] = event["line"].text;
        }
    }
    EXPECT_EQ(lastDiagnostic[ports[1]].rfind("frame 3 (command C7", 0), 0U);
    // Gone from the line: nothing comes back, or the read fails where the port vanished too.
    const std::string& gone = lastDiagnostic[ports[1]];
    EXPECT_TRUE(gone.ends_with(": no reply") || gone.ends_with(": the reply read failed")) << gone;
    EXPECT_EQ(lastDiagnostic[ports[2]].rfind("frame 3 (command C7", 0), 0U);
    EXPECT_NE(lastDiagnostic[ports[2]].find("instead of C7"), std::string::npos)
        << lastDiagnostic[ports[2]];
    EXPECT_EQ(Records().size(), 4U);
    EXPECT_EQ(run.Events().back()["downloaded"].number, 1);
    EXPECT_EQ(run.Events().back()["failed"].number, 2);
}

TEST_F(StationRunTest, ARecordDirectoryThatCannotBeWrittenStopsTheRunBeforeAnythingIsSent) {
    const std::string port = Serve();
    const std::string script = Script(FourFrames(), false);
    for (const bool station : {true, false}) {
        std::vector<std::string> args = {"--record", (m_dir / "missing").string(), "--port", port,
                                         script};
        if (station) {
            args.insert(args.begin(), "--all");
        }
        FlashRun run(args);
        EXPECT_EQ(run.Finish(), 64);
        EXPECT_NE(run.Err().find("--record"), std::string::npos) << run.Err();
        EXPECT_TRUE(m_devices[0]->Received().empty());
    }
}

TEST_F(StationRunTest, ASingleDownloadSpeaksTheSameJson) {
    const std::string port = Serve();
    FlashRun run({"--json", "--port", port, Script(FourFrames(), false)});
    EXPECT_EQ(run.Finish(), 0) << run.Err();
    EXPECT_EQ(run.LogsByDevice().at(port), kRs232Lines);
    const JsonValue& summary = run.Events().back();
    EXPECT_EQ(summary["event"].text, "summary");
    EXPECT_EQ(summary["devices"].number, 1);
    EXPECT_EQ(summary["exit"].number, 0);
    EXPECT_EQ(run.ResultsByDevice().at(port)["outcome"].text, "downloaded");
}

}  // namespace
