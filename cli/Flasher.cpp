#include "cli/Flasher.h"

#include "cli/Diagnostics.h"
#include "cli/LinkReport.h"
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

SearchResult OpenSerial(const Options& options, const std::vector<std::string>& ports,
                        ConsoleWindow& window, LinkReport& report) {
    g_interfaceKind = 0;
    if (ports.empty()) {
        window.Diagnose("no serial port to try");
    } else if (ports.size() > kMaxSerialPorts) {
        window.Diagnose("only the first " + std::to_string(kMaxSerialPorts) + " of " +
                        std::to_string(ports.size()) + " ports are tried");
    }
    const int found = ScanSerialPorts(ports, options.baud, &report);
    if (found == kScanStopped) {
        return SearchResult::Stopped;
    }
    window.PrintLine(found >= 0 ? "Open RS232 interface success." : "Open RS232 interface fail.");
    return found >= 0 ? SearchResult::Answered : SearchResult::NoAnswer;
}

SearchResult OpenUsb(const Options& options, IHidBackend& hid, ConsoleWindow& window,
                     LinkReport& report) {
    g_interfaceKind = 1;
    window.m_nVid = options.vid;
    window.m_nPid = options.pid;
    const SearchResult result = OpenAndProbeUsb(window.m_nVid, window.m_nPid, &report, &hid);
    if (result != SearchResult::Stopped) {
        window.PrintLine(result == SearchResult::Answered ? "Open USB interface success."
                                                          : "Open USB interface fail.");
    }
    return result;
}

}  // namespace

int RunFlash(const Options& options, const std::vector<std::string>& serialPorts, IHidBackend& hid,
             ConsoleWindow& window) {
    // A script the worker would refuse touches no device.
    ReadFailure refusal;
    if (!PrecheckScript(options.script, refusal)) {
        window.PrintLine("Read file fail.");
        window.OnReadFailed(refusal);
        return kExitReadFail;
    }

    LinkReport report(window, options.verbosity == Verbosity::Verbose);
    g_serialLink.Close();
    const SearchResult search = options.usb ? OpenUsb(options, hid, window, report)
                                            : OpenSerial(options, serialPorts, window, report);
    if (search == SearchResult::Stopped || Clock().StopRequested()) {
        return kExitStopped;
    }
    if (search != SearchResult::Answered) {
        return kExitNoDevice;
    }

    window.m_strFilePath = options.script;
    DownloadWorker(&window);
    window.EndProgress();
    return StatusOfLastLine(window.LastLine());
}

}  // namespace orvane::cli
