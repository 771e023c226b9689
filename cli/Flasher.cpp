#include "cli/Flasher.h"

#include "cli/Listing.h"
#include "cli/ScriptDiagnosis.h"
#include "download/DownloadWorker.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/PortScan.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/PortList.h"

namespace orvane::cli {

namespace {

int StatusOfLastLine(const std::string& line) {
    if (line == "Firmware Successfully Downloaded.") {
        return kExitSuccess;
    }
    if (line == "Send command fail.") {
        return kExitSendFail;
    }
    if (line == "Read file fail.") {
        return kExitReadFail;
    }
    return kExitStopped;  // the worker ended without an end line: it was stopped
}

bool OpenSerial(const Options& options, const std::vector<std::string>& ports,
                ConsoleWindow& window, std::FILE* err) {
    g_interfaceKind = 0;
    if (ports.empty()) {
        std::fprintf(err, "orvane-flash: no serial port to try\n");
    } else if (ports.size() > kMaxSerialPorts) {
        std::fprintf(err, "orvane-flash: only the first %zu of %zu ports are tried\n",
                     kMaxSerialPorts, ports.size());
    }
    const int found = ScanSerialPorts(ports, options.baud);
    if (Clock().StopRequested()) {
        return false;
    }
    if (found < 0) {
        window.PrintLine("Open RS232 interface fail.");
        return false;
    }
    std::fprintf(err, "orvane-flash: device answered on %s\n",
                 ports[static_cast<std::size_t>(found)].c_str());
    window.PrintLine("Open RS232 interface success.");
    return true;
}

bool OpenUsb(const Options& options, IHidBackend& hid, bool checkPermission, ConsoleWindow& window,
             std::FILE* err) {
    g_interfaceKind = 1;
    window.m_nVid = options.vid;
    window.m_nPid = options.pid;
    g_hidLink.Open(window.m_nVid, window.m_nPid);
    const bool answered = ProbeLink() || ProbeLink();
    if (Clock().StopRequested()) {
        return false;
    }
    if (!answered) {
        window.PrintLine("Open USB interface fail.");
        if (checkPermission) {
            ReportHidPermission(hid, options.vid, options.pid, PathAccessible, err);
        }
        return false;
    }
    window.PrintLine("Open USB interface success.");
    return true;
}

}  // namespace

int RunFlash(const Options& options, const std::vector<std::string>& serialPorts, IHidBackend& hid,
             bool checkPermission, ConsoleWindow& window, std::FILE* err) {
    g_serialLink.Close();
    const bool open = options.usb ? OpenUsb(options, hid, checkPermission, window, err)
                                  : OpenSerial(options, serialPorts, window, err);
    if (!open) {
        return Clock().StopRequested() ? kExitStopped : kExitNoDevice;
    }

    window.m_strFilePath = options.script;
    DownloadWorker(&window);
    window.EndProgress();

    const int status = StatusOfLastLine(window.LastLine());
    if (status == kExitReadFail) {
        DiagnoseScript(options.script, err);
    }
    return status;
}

}  // namespace orvane::cli
