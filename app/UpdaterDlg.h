#pragma once

#include <QtCore/QString>
#include <QtGui/QFont>
#include <QtGui/QIcon>
#include <QtWidgets/QDialog>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/FileChooser.h"
#include "app/WorkerThread.h"
#include "download/WorkerWindow.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
namespace Ui {
class IDD_UPDATER_DIALOG;
}

// What the main window takes from outside: the file chooser, the worker's thread function and
// the serial ports that Load's RS232 scan tries (empty: the platform's candidates).
struct UpdaterDlgSetup {
    orvane::FileChooser chooser = orvane::ChooseScriptFile;
    orvane::WorkerThread::Function worker = nullptr;
    std::vector<std::string> serialPorts;
};

// The main window. Every handler runs on the window's (GUI) thread; only LogRefresh and
// OnProgress are called by the worker's thread. Destroying the window ends and joins a worker.
class CUpdaterDlg : public QDialog, public CWorkerWindow {
    Q_OBJECT

public:
    // System-menu command of the about entry and its text.
    static constexpr unsigned IDM_ABOUTBOX = 0x0010;
    static const char* const kAboutEntry;  // "&About Orvane Bootloader..."

    explicit CUpdaterDlg(UpdaterDlgSetup setup, QWidget* parent = nullptr);
    ~CUpdaterDlg() override;

    // Data exchange: TRUE loads the controls into the members, FALSE stores the members into
    // the controls. All four bound strings every time.
    bool UpdateData(bool bSaveAndValidate);

    void OnSelchangeInterface();
    void OnButtonLoad();
    void OnButtonStop();
    void OnButtonTest();
    void OnLogRefresh();
    void OnAbout();

    // CWorkerWindow: from the worker's thread, hands the refresh to the window's thread and
    // waits until the view shows it; returns at once once the worker was told to stop or the
    // window is going. From the window's thread it refreshes directly.
    void LogRefresh() override;
    // CWorkerWindow: from the worker's thread; updates the progress bar without waiting.
    void OnProgress(int sent, int total) override;

    // The interface combo box's selection as Load reads it: the item index, or -1 when the
    // operator has typed a text into its field that is not the selected item's.
    int CurrentInterfaceIndex() const;
    // True while a worker started by Load has not yet returned.
    bool WorkerRunning() const;
    // The worker's thread object (null before the first successful Load).
    orvane::WorkerThread* WorkerThread() const { return m_pWorkerThread.get(); }
    // The about entry offered where this desktop's users look for it (context menu, F1).
    QMenu* AboutMenu() const { return m_pAboutMenu; }

    // The bound strings (the log lives in CWorkerWindow).
    QString m_strBaud;
    QString m_strPid;
    QString m_strVid;

protected:
    void accept() override;  // OnOK
    void reject() override;  // OnCancel
    void keyPressEvent(QKeyEvent* event) override;
    // Swallows Enter in the interface combo box and its field.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void OnInitDialog();
    void InstallSystemMenuEntry();
    bool AppendSystemMenuEntry();  // the window system's own menu, where there is one
    void EndRunningWorker();
    void ReleaseRefresh();
    // True while a refresh posted by the worker's thread has not been shown.
    bool RefreshPending();
    void WaitForStoppedWorker();
    void ShowOutcome(const char* line);
    void StartWorker();
    void RunOffWindowThread(const std::function<void()>& work);
    bool ScanSerialPorts(uint32_t baud);
    bool OpenAndProbeUsb(uint32_t vid, uint32_t pid);
    void SetLoadBusy(bool busy);
    void StoreLogIntoView(const std::string& log);
    std::string LogFromView() const;

    std::unique_ptr<Ui::IDD_UPDATER_DIALOG> ui;
    UpdaterDlgSetup m_setup;
    QComboBox* m_cmbInterface = nullptr;
    QIcon m_hIcon;
    std::optional<QFont> m_font;
    std::unique_ptr<orvane::WorkerThread> m_pWorkerThread;
    QMenu* m_pAboutMenu = nullptr;

    // The text last stored into the log view, and whether the operator has edited the view
    // since; lets a load from the view keep lines the worker appended but that are not yet shown.
    std::string m_strShownLog;
    bool m_bLogEdited = false;
    bool m_bStoringLog = false;

    bool m_bLoading = false;
    bool m_bClosing = false;

    // The refresh hand-over with the worker's thread.
    std::mutex m_refreshMutex;
    std::condition_variable m_refreshDone;
    uint64_t m_nRefreshPosted = 0;
    uint64_t m_nRefreshShown = 0;
    bool m_bRefreshReleased = false;
};
