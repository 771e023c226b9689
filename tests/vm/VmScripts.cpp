// The scenario scripts and what the device must receive when each is played in full.
#include "tests/vm/VmScripts.h"

#include <fstream>

#include "link/MessageFrame.h"
#include "sim/OrvaneDevice.h"
#include "sim/ScriptWriter.h"

namespace orvane::vm {

namespace {

using Frames = std::vector<std::vector<uint8_t>>;

struct ScriptCase {
    const char* name;
    bool usb;
    Frames frames;
};

std::vector<uint8_t> Request(const std::array<uint8_t, 16>& constant) {
    return {constant.begin(), constant.end()};
}

// The requests of a whole run, in order: the probe, then the script frames, over USB with the
// bootloader poll (one or more) after frame 1 and the version query after frame 2.
std::string Expectation(const ScriptCase& script) {
    std::string text = "= " + sim::Hex(Request(frame::kLinkProbeRequest)) + "\n";
    const auto version = sim::OrvaneDevice::MakeFrame(frame::kCmdBootloader, frame::kSubVersion);
    for (std::size_t i = 0; i < script.frames.size(); ++i) {
        text += "# " + sim::Hex(script.frames[i]) + "\n";
        if (script.usb && i == 0) {
            text += "+ " + sim::Hex(Request(frame::kPollRequest)) + "\n";
        }
        if (script.usb && i == 1) {
            text += "= " + sim::Hex(version) + "\n";
        }
    }
    return text;
}

std::vector<ScriptCase> Cases() {
    // Three packages of 128 bytes: each takes three reports on USB.
    const Frames full = sim::DownloadFrames(3, 128, true);
    Frames restarts = sim::DownloadFrames(2, 128, false);
    restarts.insert(restarts.begin() + 4,
                    sim::OrvaneDevice::MakeFrame(frame::kCmdBootloader, frame::kSubRestart));
    restarts.push_back(sim::OrvaneDevice::MakeFrame(frame::kCmdBootloader, frame::kSubFinish));
    return {
        {"usb-full", true, full},
        {"rs232-full", false, full},
        {"usb-restarts", true, restarts},
        {"rs232-short", false, sim::DownloadFrames(1, 128, false)},
    };
}

}  // namespace

bool WriteScripts(const std::string& dir) {
    for (const ScriptCase& script : Cases()) {
        const std::string base = dir + "/" + script.name;
        std::ofstream text(base + ".txt", std::ios::binary);
        text << sim::MakeScript(script.frames, script.usb);
        std::ofstream expect(base + ".expect", std::ios::binary);
        expect << Expectation(script);
        if (!text || !expect) {
            return false;
        }
    }
    return true;
}

}  // namespace orvane::vm
