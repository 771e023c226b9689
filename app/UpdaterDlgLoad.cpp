// The Load command: choose the script, open and probe the link, start the download.
#include <QtCore/QEventLoop>
#include <QtWidgets/QProgressBar>
#include <QtWidgets/QPushButton>

#include <algorithm>
#include <functional>
#include <thread>

#include "app/SelectFile.h"
#include "app/UpdaterDlg.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/NumberText.h"
#include "link/PortScan.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/PortList.h"
#include "ui_IDD_UPDATER_DIALOG.h"

int SelectFile(CUpdaterDlg* pWindow, std::string& strPath, const orvane::FileChooser& chooser) {
    {
        std::lock_guard guard(pWindow->m_logGuard);
        pWindow->m_strLog.clear();
    }
    std::optional<std::string> chosen;
    if (chooser) {
        chosen = chooser(pWindow);
    }
    if (chosen) {
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

void CUpdaterDlg::SetLoadBusy(bool busy) {
    m_bLoading = busy;
    ui->IDC_BTN_LOAD->setEnabled(!busy && !WorkerRunning());
}

void CUpdaterDlg::WaitForStoppedWorker() {
    if (!m_pWorkerThread) {
        return;
    }
    // Only a worker that was told to stop (or has ended) gets here; its refreshes return at once,
    // so it cannot be waiting for this thread.
    m_pWorkerThread->Join();  // the object stays until a successful Load replaces it
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

    if (SelectFile(this, m_strFilePath, m_setup.chooser) == 0) {
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
        const std::string baudText = m_strBaud.toStdString();
        const bool answered = ScanSerialPorts(orvane::StrToUl32(baudText.c_str(), 10));
        ShowOutcome(answered ? "Open RS232 interface success.\r\n"
                             : "Open RS232 interface fail.\r\n");
        if (answered) {
            StartWorker();
        }
    } else if (index == 1) {
        g_interfaceKind = 1;
        const std::string vidText = m_strVid.toStdString();
        const std::string pidText = m_strPid.toStdString();
        m_nVid = orvane::StrToUl32(vidText.c_str(), 16);
        m_nPid = orvane::StrToUl32(pidText.c_str(), 16);
        const bool answered = OpenAndProbeUsb(m_nVid, m_nPid);
        ShowOutcome(answered ? "Open USB interface success.\r\n" : "Open USB interface fail.\r\n");
        if (answered) {
            StartWorker();
        }
    }
    SetLoadBusy(false);
}

void CUpdaterDlg::RunOffWindowThread(const std::function<void()>& work) {
    // The scan (up to 40 ports of ~750 ms each) and the USB probes (reads that wait up to
    // 500 ms a turn) run on a thread of their own while this thread keeps the window painted
    // and answering. The steps and their order stay those of the work itself.
    QEventLoop loop;
    std::thread helper([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    helper.join();
}

bool CUpdaterDlg::ScanSerialPorts(uint32_t baud) {
    const std::vector<std::string> ports =
        m_setup.serialPorts.empty() ? orvane::SerialPortCandidates() : m_setup.serialPorts;
    int found = -1;
    RunOffWindowThread([&] { found = orvane::ScanSerialPorts(ports, baud); });
    return found >= 0;
}

bool CUpdaterDlg::OpenAndProbeUsb(uint32_t vid, uint32_t pid) {
    bool answered = false;
    RunOffWindowThread([&] {
        g_hidLink.Open(vid, pid);  // its result is not looked at: the probe decides
        answered = ProbeLink() || ProbeLink();
    });
    return answered;
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
    ui->IDC_PRG_DOWNLOAD->setValue(0);
    m_pWorkerThread = std::make_unique<orvane::WorkerThread>(
        m_setup.worker, static_cast<CWorkerWindow*>(this), [this] {
            // Runs on the worker's thread; the window joins the worker before it goes.
            // By the time this runs a later Load may have started another worker.
            QMetaObject::invokeMethod(
                this, [this] { ui->IDC_BTN_LOAD->setEnabled(!m_bLoading && !WorkerRunning()); },
                Qt::QueuedConnection);
        });
}

void CUpdaterDlg::OnProgress(int sent, int total) {
    QMetaObject::invokeMethod(
        this,
        [this, sent, total] {
            ui->IDC_PRG_DOWNLOAD->setMaximum(total > 0 ? total : 1);
            ui->IDC_PRG_DOWNLOAD->setValue(std::min(sent, std::max(total, 0)));
        },
        Qt::QueuedConnection);
}
