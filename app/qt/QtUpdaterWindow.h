#pragma once

#include <QtGui/QFont>
#include <QtGui/QIcon>
#include <QtWidgets/QDialog>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/console/UpdaterDlg.h"
#include "app/console/WindowSystem.h"

class QMenu;
namespace Ui {
class IDD_UPDATER_DIALOG;
}

namespace orvane {

// The main window on Qt: the template's widgets (res/IDD_UPDATER_DIALOG.ui, named by their ids)
// and the window-system operations CUpdaterDlg needs. Every handler is CUpdaterDlg's; this class
// only routes Qt's signals and events to them. Destroying the window ends and joins a worker.
class QtUpdaterWindow : public QDialog, public IWindowSystem {
    Q_OBJECT

public:
    explicit QtUpdaterWindow(UpdaterDlgSetup setup, QWidget* parent = nullptr);
    ~QtUpdaterWindow() override;

    CUpdaterDlg& Dlg() { return m_dlg; }
    // The about entry offered where this desktop's users look for it (context menu, F1).
    QMenu* AboutMenu() const { return m_pAboutMenu; }

    // IWindowSystem
    std::string GetItemText(int id) override;
    void SetItemText(int id, const std::string& text) override;
    void ShowDlgItem(int id, bool show) override;
    void EnableDlgItem(int id, bool enable) override;
    void SetFocusDlgItem(int id) override;
    int GetCurSel(int id) override;
    void SetCurSel(int id, int index) override;
    int GetLineCount(int id) override;
    void LineScroll(int id, int lines) override;
    void SetProgress(int id, int value, int maximum) override;
    bool CreateControlFont() override;
    void SetDlgItemFont(int id) override;
    void ReleaseControlFont() override;
    void SetWindowIcon() override;
    bool AppendSystemMenuEntry(unsigned command, const char* text) override;
    std::optional<std::string> ChooseFile() override;
    void DoAboutBox() override;
    void EndDialog(int result) override;
    bool OnWindowThread() override;
    void Post(std::function<void()> call) override;
    void SendLogRefresh() override;
    void RunWhileLive(const std::function<void()>& work) override;
    void PumpEvents() override;
    void JoinWorker(WorkerThread& worker) override;

protected:
    void accept() override;  // IDOK
    void reject() override;  // IDCANCEL
    void keyPressEvent(QKeyEvent* event) override;
    // Swallows Enter in the interface combo box and its field.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
    // Runs the calls Post queued, in order.
    void customEvent(QEvent* event) override;

private:
    QWidget* Item(int id) const;
    bool AppendNativeSystemMenuEntry(unsigned command, const char* text);

    std::unique_ptr<Ui::IDD_UPDATER_DIALOG> ui;
    std::map<int, QWidget*> m_items;
    QIcon m_hIcon;
    std::optional<QFont> m_font;
    QMenu* m_pAboutMenu = nullptr;
    // The text this class last put into the log view, and whether the view changed since; lets
    // a store that only adds lines append them instead of setting the whole text again.
    std::string m_strViewLog;
    bool m_bViewChanged = true;
    bool m_bSettingLog = false;
    // Calls posted from any thread, waiting for the window's thread; guarded by m_postedMutex.
    std::mutex m_postedMutex;
    std::deque<std::function<void()>> m_posted;
    CUpdaterDlg m_dlg;
};

}  // namespace orvane
