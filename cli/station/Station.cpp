#include "cli/station/Station.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "cli/ScriptDiagnosis.h"
#include "cli/station/ChildProcess.h"
#include "cli/station/DeviceRun.h"
#include "cli/station/Json.h"
#include "cli/station/StatusBoard.h"
#include "download/Script.h"
#include "platform/PortList.h"

namespace orvane::cli::station {

namespace {

constexpr int64_t kScanEveryMs = 500;
constexpr int64_t kRedrawEveryMs = 200;
// After its download a device may restart (into its application) and come back: within this
// time that is not a new appearance.
constexpr int64_t kSettleMs = 15000;
// A child's line longer than this is cut: nothing of ours is that long.
constexpr std::size_t kMaxLine = 256 * 1024;

std::atomic<int> g_signalPipe{-1};

void BlockedSignals(sigset_t& set) {
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
}

void AddTextOrNull(JsonObject& object, const char* key, const std::string& text) {
    if (text.empty()) {
        object.AddNull(key);
    } else {
        object.Add(key, text);
    }
}

// One device the station has found, running or done.
struct Device {
    std::string key;  // what tells it from the others across scans
    DeviceRun run;
    ChildProcess child;
    std::string outText;  // bytes after the last complete line
    std::string errText;
    bool fromScan = false;  // a port of the platform's scan, not named by the operator
    std::string phase;
    uint32_t waitMs = 0;
    bool ended = false;
};

// Where a device's key stands between scans (--watch).
struct Presence {
    bool running = false;
    int64_t holdUntil = 0;  // station ms: absence before this is not leaving
};

class Station {
public:
    Station(const Options& options, const StationSetup& setup)
        : m_options(options),
          m_setup(setup),
          m_board(setup.out, setup.err, setup.terminal && !options.station.json) {}

    int Run();

private:
    int64_t NowMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - m_start)
            .count();
    }
    bool MayStartMore() const {
        const uint32_t limit = m_options.station.count;
        return limit == 0 || m_counted + m_devices.size() < limit;
    }
    bool Done() const;
    void Scan();
    void ScanSerial();
    void ScanUsb();
    void Launch(const std::string& key, DeviceRun run, std::vector<std::string> args,
                bool fromScan);
    void Pump(int timeoutMs);
    void ReadFrom(Device& device, bool out);
    void ChildLine(Device& device, const std::string& line);
    void DiagnosticLine(Device& device, const std::string& line);
    void Finish(Device& device, int status);
    void Emit(const char* event, const std::string& deviceName, const JsonObject& rest);
    void Redraw(bool force);
    void Stop(int signal);
    int Summary();

    const Options& m_options;
    const StationSetup& m_setup;
    StatusBoard m_board;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    ScriptInfo m_script;
    std::vector<std::unique_ptr<Device>> m_devices;  // running
    std::vector<StatusBoard::Row> m_rows;            // done, in order of their ends
    std::map<std::string, Presence> m_seen;
    std::set<std::string> m_tried;  // --all: keys started once
    std::size_t m_counted = 0;      // done devices that answered
    int m_downloaded = 0;
    int m_failed = 0;
    int m_signal = 0;
    bool m_scanned = false;
    int64_t m_nextScan = 0;
    int64_t m_lastDraw = -kRedrawEveryMs;
};

bool Station::Done() const {
    if (!m_devices.empty()) {
        return false;
    }
    if (m_signal != 0) {
        return true;
    }
    if (m_options.station.count > 0 && m_counted >= m_options.station.count) {
        return true;
    }
    return m_options.station.all && m_scanned;
}

void Station::Emit(const char* event, const std::string& deviceName, const JsonObject& rest) {
    if (!m_options.station.json) {
        return;
    }
    JsonObject head;
    head.Add("event", event).Add("time", NowMs());
    if (deviceName.empty()) {
        head.AddNull("device");
    } else {
        head.Add("device", deviceName);
    }
    std::string line = head.Text();
    const std::string tail = rest.Text();
    line.pop_back();
    if (tail.size() > 2) {
        line += ',';
    }
    line.append(tail, 1, std::string::npos);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), m_setup.out);
    std::fflush(m_setup.out);
}

void Station::Launch(const std::string& key, DeviceRun run, std::vector<std::string> args,
                     bool fromScan) {
    auto device = std::make_unique<Device>();
    device->key = key;
    device->run = std::move(run);
    device->run.startUtc = UtcNow();
    device->run.startMs = NowMs();
    device->fromScan = fromScan;
    args.insert(args.begin(), "--station-child");
    args.push_back("--");
    args.push_back(m_options.script);
    std::string error;
    m_seen[key].running = true;
    JsonObject found;
    found.Add("interface", device->run.interfaceKind);
    AddTextOrNull(found, "serial_number", device->run.serialNumber);
    AddTextOrNull(found, "port_path", device->run.portPath);
    Emit("device", device->run.device, found);
    if (!device->child.Start(m_setup.program, args, error)) {
        device->run.reason = error;
        DiagnosticLine(*device, error);
        Finish(*device, 70);  // EX_SOFTWARE: reported as crashed
        return;
    }
    m_devices.push_back(std::move(device));
}

void Station::ScanSerial() {
    std::vector<std::string> ports = m_setup.ports;
    if (!m_setup.portsGiven) {
        ports = SerialPortCandidates();
    }
    std::set<std::string> present;
    for (const std::string& port : ports) {
        // A by-path link that is not there means the adapter is not plugged in yet. --all looks
        // once: a named port that is missing gets its own result saying so.
        if (m_setup.portsGiven && m_options.station.watch && access(port.c_str(), F_OK) != 0) {
            continue;
        }
        present.insert("serial:" + port);
        const std::string key = "serial:" + port;
        if (m_tried.count(key) != 0 || m_seen.count(key) != 0 || !MayStartMore()) {
            continue;
        }
        m_tried.insert(key);
        DeviceRun run;
        run.device = port;
        run.interfaceKind = "rs232";
        Launch(key, std::move(run), {"--port", port, "--baud", m_options.baudText},
               !m_setup.portsGiven);
    }
    for (auto it = m_seen.begin(); it != m_seen.end();) {
        const bool serial = it->first.rfind("serial:", 0) == 0;
        if (serial && !it->second.running && present.count(it->first) == 0 &&
            NowMs() >= it->second.holdUntil) {
            m_tried.erase(it->first);
            it = m_seen.erase(it);  // it left: it is new when it comes back
        } else {
            ++it;
        }
    }
}

void Station::ScanUsb() {
    std::set<std::string> present;
    for (const HidDeviceInfo& info : m_setup.hid->Enumerate()) {
        if (info.vendorId != m_options.vid || info.productId != m_options.pid) {
            continue;
        }
        const std::string key = !info.portPath.empty()       ? "port:" + info.portPath
                                : !info.serialNumber.empty() ? "serial:" + info.serialNumber
                                                             : "path:" + info.path;
        present.insert(key);
        if (m_tried.count(key) != 0 || m_seen.count(key) != 0 || !MayStartMore()) {
            continue;
        }
        m_tried.insert(key);
        DeviceRun run;
        run.device = info.path;
        run.interfaceKind = "usb";
        run.serialNumber = info.serialNumber;
        run.portPath = info.portPath;
        std::vector<std::string> args = {"--usb", "--vid", m_options.vidText, "--pid",
                                         m_options.pidText};
        if (!info.portPath.empty()) {
            args.insert(args.end(), {"--pin-port", info.portPath});
        } else if (!info.serialNumber.empty()) {
            args.insert(args.end(), {"--pin-serial", info.serialNumber});
        } else {
            args.insert(args.end(), {"--pin-path", info.path});
        }
        if (m_setup.simulatedUsb) {
            args.push_back("--simulate");
            const std::vector<std::string> sim = m_options.simSetup.Args();
            args.insert(args.end(), sim.begin(), sim.end());
        }
        Launch(key, std::move(run), std::move(args), false);
    }
    for (auto it = m_seen.begin(); it != m_seen.end();) {
        if (!it->second.running && present.count(it->first) == 0 &&
            NowMs() >= it->second.holdUntil) {
            m_tried.erase(it->first);
            it = m_seen.erase(it);
        } else {
            ++it;
        }
    }
}

void Station::Scan() {
    if (m_options.usb) {
        ScanUsb();
    } else {
        ScanSerial();
    }
    m_scanned = true;
    m_nextScan = NowMs() + kScanEveryMs;
}

void Station::DiagnosticLine(Device& device, const std::string& raw) {
    // The device prefix takes the place of the child's program name.
    const std::string prefix = "orvane-flash: ";
    const std::string line = raw.rfind(prefix, 0) == 0 ? raw.substr(prefix.size()) : raw;
    device.run.reason = line;
    Emit("diagnostic", device.run.device, JsonObject().Add("line", line));
    if (!m_options.station.json) {
        m_board.Line(device.run.device, line, true);
    }
}

void Station::ChildLine(Device& device, const std::string& line) {
    JsonValue event;
    std::string error;
    if (!ParseJson(line, event, error) || event.kind != JsonValue::Kind::Object) {
        DiagnosticLine(device, line);
        return;
    }
    const std::string kind = event["event"].text;
    const std::string& name = device.run.device;
    if (kind == "log") {
        const std::string& text = event["line"].text;
        device.run.AddLine(text);
        device.phase = text;
        device.waitMs = 0;
        Emit("log", name, JsonObject().Add("line", text));
        if (!m_options.station.json) {
            m_board.Line(name, text, false);
        }
    } else if (kind == "progress") {
        device.run.sent = static_cast<int>(event["sent"].number);
        device.run.total = static_cast<int>(event["total"].number);
        device.waitMs = 0;
        Emit("progress", name,
             JsonObject().Add("sent", device.run.sent).Add("total", device.run.total));
    } else if (kind == "wait") {
        device.waitMs = static_cast<uint32_t>(event["ms"].number);
        Emit("wait", name, JsonObject().Add("ms", static_cast<int64_t>(device.waitMs)));
    }
    // The child's result is the exit status the station collects itself.
}

void Station::ReadFrom(Device& device, bool out) {
    const int fd = out ? device.child.OutFd() : device.child.ErrFd();
    std::string& text = out ? device.outText : device.errText;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (n <= 0) {
            // The end: a last line without its line end still counts.
            if (!text.empty()) {
                const std::string rest = std::move(text);
                text.clear();
                out ? ChildLine(device, rest) : DiagnosticLine(device, rest);
            }
            out ? device.child.CloseOut() : device.child.CloseErr();
            return;
        }
        text.append(buffer, static_cast<std::size_t>(n));
        std::size_t at = 0;
        for (std::size_t end = text.find('\n'); end != std::string::npos;
             at = end + 1, end = text.find('\n', at)) {
            const std::string line = text.substr(at, end - at);
            out ? ChildLine(device, line) : DiagnosticLine(device, line);
        }
        text.erase(0, at);
        if (text.size() > kMaxLine) {
            const std::string cut = text.substr(0, kMaxLine);
            text.clear();
            out ? ChildLine(device, cut) : DiagnosticLine(device, cut);
        }
    }
}

void Station::Finish(Device& device, int status) {
    DeviceRun& run = device.run;
    run.exitStatus = status;
    run.reason = ReasonOf(run, status, m_signal);
    run.endUtc = UtcNow();
    run.endMs = NowMs();
    const bool answered = status != 2;
    JsonObject result;
    result.Add("exit", status)
        .Add("outcome", OutcomeOf(status))
        .AddSeconds("seconds", run.endMs - run.startMs);
    AddTextOrNull(result, "reason", status == 0 ? std::string() : run.reason);
    Emit("result", run.device, result);
    if (!m_options.station.json && status != 0 && status != 1 && !run.reason.empty()) {
        m_board.Line(run.device, std::string(OutcomeOf(status)) + ": " + run.reason, true);
    }
    if (!m_options.station.recordDir.empty() && !(device.fromScan && !answered)) {
        std::string error;
        const std::string text = RecordJson(run, m_script, m_setup.tool);
        if (WriteRecord(m_options.station.recordDir, run, text, error).empty()) {
            m_board.Clear();
            std::fprintf(m_setup.err, "orvane-flash: %s\n", error.c_str());
        }
    }
    if (answered || !device.fromScan) {
        m_rows.push_back({run.device, OutcomeOf(status), run.endMs - run.startMs});
    }
    if (answered) {
        ++m_counted;
        if (status == 0) {
            ++m_downloaded;
        } else {
            ++m_failed;
        }
    }
    Presence& presence = m_seen[device.key];
    presence.running = false;
    // A serial port stays while its device restarts; a USB device may come back from a restart.
    presence.holdUntil = run.interfaceKind == "usb" ? NowMs() + kSettleMs : 0;
}

void Station::Redraw(bool force) {
    if (!force && NowMs() - m_lastDraw < kRedrawEveryMs) {
        return;
    }
    m_lastDraw = NowMs();
    std::vector<StatusBoard::Status> running;
    for (const auto& device : m_devices) {
        running.push_back({device->run.device, device->phase, device->run.sent, device->run.total,
                           device->waitMs});
    }
    m_board.Show(running);
}

void Station::Stop(int signal) {
    if (m_signal == 0) {
        m_signal = signal;
    }
    for (const auto& device : m_devices) {
        device->child.Signal(signal);
    }
}

void Station::Pump(int timeoutMs) {
    std::vector<pollfd> fds;
    fds.push_back({g_signalPipe.load(), POLLIN, 0});
    std::vector<std::pair<Device*, bool>> owners;
    for (const auto& device : m_devices) {
        if (device->child.OutFd() >= 0) {
            fds.push_back({device->child.OutFd(), POLLIN, 0});
            owners.emplace_back(device.get(), true);
        }
        if (device->child.ErrFd() >= 0) {
            fds.push_back({device->child.ErrFd(), POLLIN, 0});
            owners.emplace_back(device.get(), false);
        }
    }
    const int ready = poll(fds.data(), fds.size(), timeoutMs);
    if (ready > 0) {
        if ((fds[0].revents & POLLIN) != 0) {
            unsigned char signal = 0;
            while (read(fds[0].fd, &signal, 1) == 1) {
                Stop(signal);
            }
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                ReadFrom(*owners[i - 1].first, owners[i - 1].second);
            }
        }
    }
    // A child is done once both its pipes ended and it has been collected.
    for (auto it = m_devices.begin(); it != m_devices.end();) {
        Device& device = **it;
        int status = 0;
        if (device.child.OutFd() < 0 && device.child.ErrFd() < 0 && device.child.Reap(&status)) {
            Finish(device, status);
            it = m_devices.erase(it);
            Redraw(true);
        } else {
            ++it;
        }
    }
}

int Station::Summary() {
    int status = 0;
    if (m_signal != 0) {
        status = 128 + m_signal;
    } else if (m_counted == 0) {
        status = 2;
    } else if (m_failed > 0) {
        status = 1;
    }
    Emit("summary", "",
         JsonObject()
             .Add("devices", static_cast<int64_t>(m_counted))
             .Add("downloaded", m_downloaded)
             .Add("failed", m_failed)
             .Add("exit", status));
    if (!m_options.station.json) {
        m_board.Summary(m_rows);
    }
    return status;
}

int Station::Run() {
    // A script the check refuses is refused once, before any device is touched.
    ScriptCheck check;
    if (!CheckScriptFile(m_options.script, check) || !check.Accepted()) {
        DiagnoseScript(m_options.script, m_setup.err);
        Emit("summary", "",
             JsonObject().Add("devices", 0).Add("downloaded", 0).Add("failed", 0).Add("exit", 3));
        return 3;
    }
    m_script = DescribeScript(m_options.script);

    while (!Done()) {
        if (m_signal == 0 && (!m_scanned || (m_options.station.watch && NowMs() >= m_nextScan))) {
            Scan();
        }
        if (Done()) {
            break;
        }
        const int64_t untilScan = std::max<int64_t>(0, m_nextScan - NowMs());
        const int64_t timeout = m_devices.empty() ? untilScan : std::min<int64_t>(untilScan, 200);
        Pump(static_cast<int>(std::clamp<int64_t>(timeout, 10, 500)));
        Redraw(false);
    }
    return Summary();
}

}  // namespace

void BlockStopSignals() {
    sigset_t set;
    BlockedSignals(set);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int RunStation(const Options& options, const StationSetup& setup) {
    int pipeFds[2] = {-1, -1};
    if (pipe(pipeFds) != 0) {
        std::fprintf(setup.err, "orvane-flash: pipe: %s\n", std::strerror(errno));
        return 70;
    }
    for (int fd : pipeFds) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    g_signalPipe = pipeFds[0];
    // The signals are taken by a thread of its own and handed to the loop through the pipe.
    const int writeEnd = pipeFds[1];
    std::thread([writeEnd] {
        sigset_t set;
        BlockedSignals(set);
        int signal = 0;
        while (sigwait(&set, &signal) == 0) {
            const auto byte = static_cast<unsigned char>(signal);
            [[maybe_unused]] const auto ignored = write(writeEnd, &byte, 1);
        }
    }).detach();
    Station station(options, setup);
    return station.Run();
}

}  // namespace orvane::cli::station
