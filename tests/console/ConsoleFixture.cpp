#include "ConsoleFixture.h"

#include <cstring>

#include "app/console/Resource.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"

namespace consoletest {

std::atomic<int> g_recordingRuns{0};

bool BenchPort::Open(const std::string& device, const std::string&) {
    m_bench.opened.push_back(device);
    if (m_bench.present.count(device) == 0) {
        return false;
    }
    m_device = device;
    m_bOpen = true;
    ++m_bench.openNow;
    return true;
}

void BenchPort::Close() {
    if (m_bOpen) {
        --m_bench.openNow;
    }
    m_bOpen = false;
}

int32_t BenchPort::Read(uint8_t* buf, uint32_t max) {
    if (!m_bOpen) {
        return -1;
    }
    const size_t n = std::min<size_t>(max, m_reply.size());
    if (n > 0) {  // an empty reply's data() may be null, which memcpy must not get
        std::memcpy(buf, m_reply.data(), n);
    }
    m_reply.clear();
    return static_cast<int32_t>(n);
}

int32_t BenchPort::Write(const uint8_t* buf, uint32_t count) {
    if (!m_bOpen) {
        return -1;
    }
    if (m_device == m_bench.answering && count > 11 && buf[10] == 0x18) {
        // The probe's echo: byte 10 is what the probe looks at.
        m_reply.assign(buf, buf + count);
    }
    return static_cast<int32_t>(count);
}

void HandlerTest::SetUp() {
    orvane::SetClock(&clock);
    g_serialLink.SetPort(std::make_unique<BenchPort>(bench));
    g_hidLink.SetBackend(&noHid);
    g_interfaceKind = 0;
    g_recordingRuns = 0;
}

void HandlerTest::TearDown() {
    if (dlg) {
        dlg->OnDestroy();
        dlg.reset();
    }
    orvane::SetEventPump({});
    g_serialLink.SetPort(orvane::MakeSystemSerialPort());
    g_hidLink.SetBackend(nullptr);
    g_interfaceKind = 0;
    orvane::SetClock(nullptr);
}

CUpdaterDlg& HandlerTest::Open(UpdaterDlgSetup setup) {
    dlg = std::make_unique<CUpdaterDlg>(ws, std::move(setup));
    ws.dlg = dlg.get();
    dlg->OnInitDialog();
    return *dlg;
}

std::string HandlerTest::LogText() {
    std::lock_guard guard(dlg->m_logGuard);
    return dlg->m_strLog;
}

void HandlerTest::SetLog(const std::string& log) {
    std::lock_guard guard(dlg->m_logGuard);
    dlg->m_strLog = log;
}

void HandlerTest::Type(int id, const std::string& text) {
    ws.controls[id].text = text;
    if (id == IDC_EDT_LOG) {
        dlg->OnEditChangeLog();
    }
}

void HandlerTest::Pick(int index) {
    ws.curSel = index;
    dlg->OnSelchangeInterface();
}

unsigned RecordingWorker(void*) {
    ++g_recordingRuns;
    return 0;
}

unsigned ChattyWorker(void* param) {
    auto* window = static_cast<CWorkerWindow*>(param);
    for (;;) {
        {
            std::lock_guard guard(window->m_logGuard);
            if (orvane::Clock().StopRequested()) {
                break;
            }
            window->m_strLog += "tick\r\n";
        }
        window->LogRefresh();
        if (!orvane::Clock().Sleep(100)) {
            break;
        }
    }
    return 0;
}

}  // namespace consoletest
