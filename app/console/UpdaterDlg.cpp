#include "app/console/UpdaterDlg.h"

#include <algorithm>

#include "app/console/Resource.h"
#include "link/HidLink.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/SendGate.h"

const char* const CUpdaterDlg::kAboutEntry = "&About Orvane Bootloader...";

CUpdaterDlg::CUpdaterDlg(orvane::IWindowSystem& ws, UpdaterDlgSetup setup)
    : m_ws(ws), m_setup(std::move(setup)) {}

CUpdaterDlg::~CUpdaterDlg() {
    // The window system calls OnDestroy; this only makes sure no worker outlives the object.
    EndRunningWorker();
    ReleaseRefresh();
    m_pWorkerThread.reset();
}

void CUpdaterDlg::OnInitDialog() {
    // The window system has filled the combo box from the template.
    UpdateData(false);
    m_ws.AppendSystemMenuEntry(IDM_ABOUTBOX, kAboutEntry);
    m_ws.SetWindowIcon();
    m_bFont = m_ws.CreateControlFont();
    if (m_bFont) {
        // The hidden Test button keeps the template's font.
        for (int id :
             {IDC_BTN_LOAD, IDC_BTN_STOP, IDC_LBL_INTERFACE, IDC_LBL_BAUD, IDC_LBL_VID, IDC_LBL_PID,
              IDC_CMB_INTERFACE, IDC_EDT_BAUD, IDC_EDT_VID, IDC_EDT_PID, IDC_EDT_LOG}) {
            m_ws.SetDlgItemFont(id);
        }
    }
    m_ws.SetCurSel(IDC_CMB_INTERFACE, 0);
    for (int id : {IDC_LBL_VID, IDC_LBL_PID, IDC_EDT_VID, IDC_EDT_PID}) {
        m_ws.ShowDlgItem(id, false);
    }
    m_ws.SetItemText(IDC_EDT_BAUD, "19200");
    m_ws.ShowDlgItem(IDC_BTN_TEST, false);
    m_ws.SetProgress(IDC_PRG_DOWNLOAD, 0, 1);
    m_ws.SetItemText(IDC_STATUS, "");
    UpdateData(true);

    // Probes and version queries pump the calling thread's events while they wait.
    orvane::SetEventPump([this] { m_ws.PumpEvents(); });
    m_ws.SetFocusDlgItem(IDC_BTN_LOAD);
}

bool CUpdaterDlg::UpdateData(bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        {
            std::lock_guard guard(m_logGuard);
            // The view shows m_strShownLog, with the operator's edits if any. A member that
            // extends it holds lines the worker appended that are not shown yet: they are kept
            // after the view's text. A member that differs otherwise while a worker runs or a
            // refresh is on its way is the worker's log begun anew, and the view only an older
            // copy: the member stays.
            const bool extends = m_strLog.size() > m_strShownLog.size() &&
                                 m_strLog.compare(0, m_strShownLog.size(), m_strShownLog) == 0;
            if (extends) {
                const std::string base =
                    m_bLogEdited ? m_ws.GetItemText(IDC_EDT_LOG) : m_strShownLog;
                m_strLog = base + m_strLog.substr(m_strShownLog.size());
            } else if (m_strLog == m_strShownLog) {
                if (m_bLogEdited) {
                    m_strLog = m_ws.GetItemText(IDC_EDT_LOG);
                }
            } else if (!(WorkerRunning() || RefreshPending())) {
                m_strLog = m_ws.GetItemText(IDC_EDT_LOG);
            }
        }
        m_strBaud = m_ws.GetItemText(IDC_EDT_BAUD);
        m_strPid = m_ws.GetItemText(IDC_EDT_PID);
        m_strVid = m_ws.GetItemText(IDC_EDT_VID);
    } else {
        std::string log;
        {
            std::lock_guard guard(m_logGuard);
            log = m_strLog;
        }
        StoreLogIntoView(log);
        m_ws.SetItemText(IDC_EDT_BAUD, m_strBaud);
        m_ws.SetItemText(IDC_EDT_PID, m_strPid);
        m_ws.SetItemText(IDC_EDT_VID, m_strVid);
    }
    return true;
}

void CUpdaterDlg::StoreLogIntoView(const std::string& log) {
    m_bStoringLog = true;
    m_ws.SetItemText(IDC_EDT_LOG, log);
    m_strShownLog = log;
    m_bLogEdited = false;
    m_bStoringLog = false;
}

void CUpdaterDlg::OnEditChangeLog() {
    if (!m_bStoringLog) {
        m_bLogEdited = true;
    }
}

int CUpdaterDlg::CurrentInterfaceIndex() {
    return m_ws.GetCurSel(IDC_CMB_INTERFACE);
}

void CUpdaterDlg::OnSelchangeInterface() {
    UpdateData(true);
    switch (CurrentInterfaceIndex()) {
        case 0:
            m_ws.ShowDlgItem(IDC_LBL_BAUD, true);
            m_ws.ShowDlgItem(IDC_LBL_VID, false);
            m_ws.ShowDlgItem(IDC_LBL_PID, false);
            m_ws.ShowDlgItem(IDC_EDT_BAUD, true);
            m_ws.ShowDlgItem(IDC_EDT_VID, false);
            m_ws.ShowDlgItem(IDC_EDT_PID, false);
            m_ws.SetItemText(IDC_EDT_BAUD, "19200");
            break;
        case 1:
            m_ws.ShowDlgItem(IDC_LBL_BAUD, false);
            m_ws.ShowDlgItem(IDC_LBL_VID, true);
            m_ws.ShowDlgItem(IDC_LBL_PID, true);
            m_ws.ShowDlgItem(IDC_EDT_BAUD, false);
            m_ws.ShowDlgItem(IDC_EDT_VID, true);
            m_ws.ShowDlgItem(IDC_EDT_PID, true);
            m_ws.SetItemText(IDC_EDT_VID, "0x0ACD");
            m_ws.SetItemText(IDC_EDT_PID, "0x3710");
            break;
        default:
            break;
    }
}

void CUpdaterDlg::OnLogRefresh() {
    UpdateData(false);
    m_ws.LineScroll(IDC_EDT_LOG, m_ws.GetLineCount(IDC_EDT_LOG));
}

void CUpdaterDlg::OnLogRefreshMessage() {
    uint64_t posted = 0;
    {
        std::lock_guard lock(m_refreshMutex);
        posted = m_nRefreshPosted;
    }
    // Every line of a refresh posted so far was appended before its post, so this store shows it.
    OnLogRefresh();
    {
        std::lock_guard lock(m_refreshMutex);
        m_nRefreshShown = std::max(m_nRefreshShown, posted);
    }
    m_refreshDone.notify_all();
}

void CUpdaterDlg::LogRefresh() {
    if (m_ws.OnWindowThread()) {
        OnLogRefresh();
        return;
    }
    uint64_t ticket = 0;
    {
        std::lock_guard lock(m_refreshMutex);
        if (m_bRefreshReleased) {
            return;
        }
        ticket = ++m_nRefreshPosted;
    }
    m_ws.SendLogRefresh();
    std::unique_lock lock(m_refreshMutex);
    m_refreshDone.wait(lock, [&] { return m_nRefreshShown >= ticket || m_bRefreshReleased; });
}

bool CUpdaterDlg::RefreshPending() {
    std::lock_guard lock(m_refreshMutex);
    return m_nRefreshShown < m_nRefreshPosted;
}

void CUpdaterDlg::ReleaseRefresh() {
    {
        std::lock_guard lock(m_refreshMutex);
        m_bRefreshReleased = true;
    }
    m_refreshDone.notify_all();
}

bool CUpdaterDlg::WorkerRunning() const {
    return m_pWorkerThread && m_pWorkerThread->Running();
}

void CUpdaterDlg::EndRunningWorker() {
    if (!WorkerRunning()) {
        return;
    }
    {
        // Under the guard so that no line can be appended once the stop is set.
        std::lock_guard guard(m_logGuard);
        orvane::RequestStopAndDrain();
    }
    // The worker may be waiting for a refresh; it must not wait for a window that may now
    // wait for it.
    ReleaseRefresh();
}

void CUpdaterDlg::OnButtonStop() {
    EndRunningWorker();
    if (m_bLoading) {
        // Ends the port scan or the USB probes at their next wait; Load then shows no outcome.
        orvane::Clock().RequestStop();
        return;
    }
    m_ws.EnableDlgItem(IDC_BTN_LOAD, true);
}

void CUpdaterDlg::OnButtonTest() {
    uint8_t message[CHidLink::kMessageMax] = {};
    uint32_t count = 0;
    g_hidLink.ReadMessage(message, &count, sizeof(message));
}

bool CUpdaterDlg::OnSysCommand(unsigned nID) {
    if ((nID & 0xFFF0U) == IDM_ABOUTBOX) {
        m_ws.DoAboutBox();
        return true;
    }
    return false;
}

void CUpdaterDlg::OnOK() {
    // The window has no OK button: IDOK comes only from Enter in a single-line field, where
    // ending the window would end a running download with it. Enter there does nothing.
}

void CUpdaterDlg::OnCancel() {
    if (m_bFont) {
        m_ws.ReleaseControlFont();
        m_bFont = false;
    }
    EndRunningWorker();
    if (m_bLoading) {
        orvane::Clock().RequestStop();  // cut the scan or probe short; the program is ending
    }
    m_bClosing = true;
    m_ws.EndDialog(2);
}

void CUpdaterDlg::OnDestroy() {
    if (m_bDestroyed) {
        return;
    }
    m_bDestroyed = true;
    EndRunningWorker();
    ReleaseRefresh();
    if (m_pWorkerThread) {
        m_ws.JoinWorker(*m_pWorkerThread);
    }
    // Only now: a worker's version query pumps events until it has returned.
    orvane::SetEventPump({});
}

IconOrigin CenteredIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}
