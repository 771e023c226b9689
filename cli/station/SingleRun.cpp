#include "cli/station/SingleRun.h"

#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/SerialLink.h"

namespace orvane::cli::station {

SingleRun::SingleRun(const Options& options, std::string tool, IHidBackend& hid, std::FILE* out,
                     std::FILE* err)
    : m_options(options), m_tool(std::move(tool)), m_hid(hid), m_out(out), m_err(err) {
    m_run.interfaceKind = options.usb ? "usb" : "rs232";
    m_run.startUtc = UtcNow();
}

SingleRun::~SingleRun() {
    if (m_clock) {
        SetClock(nullptr);
    }
}

bool SingleRun::Wanted(const Options& options) {
    const StationOptions& s = options.station;
    return s.json || !s.recordDir.empty() || !s.pin.Empty();
}

int64_t SingleRun::NowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 m_start)
        .count();
}

void SingleRun::Begin(ConsoleWindow& window) {
    if (!m_options.station.pin.Empty()) {
        g_hidLink.Pin(m_options.station.pin);
    }
    if (!m_options.station.json) {
        return;
    }
    window.SetObserver(this);
    m_clock = std::make_unique<WaitReportingClock>(Clock(), [this](uint32_t ms) {
        Emit("wait", JsonObject().Add("ms", static_cast<int64_t>(ms)));
    });
    SetClock(m_clock.get());
}

void SingleRun::LearnDevice() {
    if (!m_run.device.empty()) {
        return;
    }
    if (g_interfaceKind == 0 && g_serialLink.IsOpen()) {
        m_run.device = g_serialLink.DeviceName();
    } else if (g_interfaceKind == 1 && g_hidLink.IsOpen()) {
        m_run.device = g_hidLink.DevicePath();
        for (const HidDeviceInfo& info : m_hid.Enumerate()) {
            if (info.path == m_run.device) {
                m_run.serialNumber = info.serialNumber;
                m_run.portPath = info.portPath;
            }
        }
    }
}

void SingleRun::Emit(const char* event, const JsonObject& rest) {
    if (!m_options.station.json) {
        return;
    }
    std::lock_guard lock(m_emitGuard);
    JsonObject head;
    head.Add("event", event).Add("time", NowMs());
    if (m_run.device.empty()) {
        head.AddNull("device");
    } else {
        head.Add("device", m_run.device);
    }
    // Splice the two objects: head without its '}' and rest without its '{'.
    std::string line = head.Text();
    const std::string tail = rest.Text();
    line.pop_back();
    if (tail.size() > 2) {
        line += ',';
    }
    line.append(tail, 1, std::string::npos);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), m_out);
    std::fflush(m_out);
}

void SingleRun::OnLine(const std::string& line) {
    LearnDevice();
    m_run.AddLine(line);
    Emit("log", JsonObject().Add("line", line));
}

void SingleRun::OnFrames(int sent, int total) {
    m_run.sent = sent;
    m_run.total = total;
    Emit("progress", JsonObject().Add("sent", sent).Add("total", total));
}

int SingleRun::Finish(int status) {
    LearnDevice();
    m_run.exitStatus = status;
    m_run.endUtc = UtcNow();
    m_run.endMs = NowMs();
    m_run.reason = ReasonOf(m_run, status, 0);
    JsonObject result;
    result.Add("exit", status).Add("outcome", OutcomeOf(status)).AddSeconds("seconds", m_run.endMs);
    if (m_run.reason.empty()) {
        result.AddNull("reason");
    } else {
        result.Add("reason", m_run.reason);
    }
    Emit("result", result);
    if (!m_options.station.child) {
        const bool answered = status != 2;
        Emit("summary", JsonObject()
                            .Add("devices", answered ? 1 : 0)
                            .Add("downloaded", status == 0 ? 1 : 0)
                            .Add("failed", answered && status != 0 ? 1 : 0)
                            .Add("exit", status));
    }
    if (!m_options.station.recordDir.empty()) {
        std::string error;
        const std::string text = RecordJson(m_run, DescribeScript(m_options.script), m_tool);
        if (WriteRecord(m_options.station.recordDir, m_run, text, error).empty()) {
            std::fprintf(m_err, "orvane-flash: %s\n", error.c_str());
        }
    }
    return status;
}

}  // namespace orvane::cli::station
