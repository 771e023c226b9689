// The Load command: choose the script, open and probe the link, start the download.
#include <algorithm>

#include "app/console/Resource.h"
#include "app/console/SelectFile.h"
#include "app/console/UpdaterDlg.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/NumberText.h"
#include "link/PortScan.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/PortList.h"

int SelectFile(CUpdaterDlg* pWindow, std::string& strPath) {
    {
        std::lock_guard guard(pWindow->m_logGuard);
        pWindow->m_strLog.clear();
    }
    if (std::optional<std::string> chosen = pWindow->RunChooser()) {
        strPath = *chosen;
        return 1;
    }
    {
        std::lock_guard guard(pWindow->m_logGuard);
        pWindow->m_strLog += "Select file fail.\r\n";
    }
    pWindow->LogRefresh();
    return 0;
}

std::optional<std::string> CUpdaterDlg::RunChooser() {
    return m_setup.chooser ? m_setup.chooser() : m_ws.ChooseFile();
}

void CUpdaterDlg::SetLoadBusy(bool busy) {
    m_bLoading = busy;
    UpdateLoadButton();
}

void CUpdaterDlg::UpdateLoadButton() {
    m_ws.EnableDlgItem(IDC_BTN_LOAD, !m_bLoading && !WorkerRunning());
}

void CUpdaterDlg::WaitForStoppedWorker() {
    if (!m_pWorkerThread) {
        return;
    }
    // Only a worker that was told to stop (or has ended) gets here; its refreshes return at once.
    m_ws.JoinWorker(*m_pWorkerThread);  // the object stays until a successful Load replaces it
}

void CUpdaterDlg::OnButtonLoad() {
    // One Load at a time, and none while a download runs (Stop first).
    if (m_bLoading || m_bClosing || (WorkerRunning() && !orvane::Clock().StopRequested())) {
        return;
    }
    SetLoadBusy(true);
    WaitForStoppedWorker();
    orvane::Clock().ClearStop();
    {
        std::lock_guard lock(m_refreshMutex);
        m_bRefreshReleased = false;
    }

    if (SelectFile(this, m_strFilePath) == 0) {
        UpdateData(false);
        // The window does not answer during the pause.
        orvane::Clock().Sleep(500);
        SetLoadBusy(false);
        return;
    }
    g_serialLink.Close();
    UpdateData(true);
    const int index = CurrentInterfaceIndex();
    if (index == 0) {
        g_interfaceKind = 0;
        const bool answered = ScanSerialPorts(orvane::StrToUl32(m_strBaud.c_str(), 10));
        // A stop during the search ends the command: no outcome line and no worker.
        if (!orvane::Clock().StopRequested()) {
            ShowOutcome(answered ? "Open RS232 interface success.\r\n"
                                 : "Open RS232 interface fail.\r\n");
            if (answered) {
                StartWorker();
            }
        }
    } else if (index == 1) {
        g_interfaceKind = 1;
        m_nVid = orvane::StrToUl32(m_strVid.c_str(), 16);
        m_nPid = orvane::StrToUl32(m_strPid.c_str(), 16);
        const bool answered = OpenAndProbeUsb(m_nVid, m_nPid);
        if (!orvane::Clock().StopRequested()) {
            ShowOutcome(answered ? "Open USB interface success.\r\n"
                                 : "Open USB interface fail.\r\n");
            if (answered) {
                StartWorker();
            }
        }
    }
    SetLoadBusy(false);
}

bool CUpdaterDlg::ScanSerialPorts(uint32_t baud) {
    const std::vector<std::string> ports =
        m_setup.serialPorts.empty() ? orvane::SerialPortCandidates() : m_setup.serialPorts;
    int found = orvane::kScanNoAnswer;
    // The scan (up to 40 ports of ~750 ms each) runs while the window stays painted and
    // answering; the steps and their order stay those of the scan itself.
    m_ws.RunWhileLive([&] { found = orvane::ScanSerialPorts(ports, baud); });
    return found >= 0;
}

bool CUpdaterDlg::OpenAndProbeUsb(uint32_t vid, uint32_t pid) {
    orvane::SearchResult result = orvane::SearchResult::NoAnswer;
    m_ws.RunWhileLive([&] { result = orvane::OpenAndProbeUsb(vid, pid); });
    return result == orvane::SearchResult::Answered;
}

void CUpdaterDlg::ShowOutcome(const char* line) {
    {
        std::lock_guard guard(m_logGuard);
        m_strLog = line;
    }
    UpdateData(false);
}

void CUpdaterDlg::StartWorker() {
    if (m_bClosing || m_setup.worker == nullptr) {
        return;
    }
    m_ws.SetProgress(IDC_PRG_DOWNLOAD, 0, 1);
    m_pWorkerThread = std::make_unique<orvane::WorkerThread>(
        m_setup.worker, static_cast<CWorkerWindow*>(this), [this] {
            // On the worker's thread; the window joins the worker before it goes. By the time
            // the call runs a later Load may have started another worker.
            m_ws.Post([this] { UpdateLoadButton(); });
        });
}

void CUpdaterDlg::OnProgress(int sent, int total) {
    m_ws.Post([this, sent, total] {
        m_ws.SetProgress(IDC_PRG_DOWNLOAD, std::clamp(sent, 0, std::max(total, 0)),
                         total > 0 ? total : 1);
    });
}
