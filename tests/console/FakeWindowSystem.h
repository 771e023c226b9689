#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/console/UpdaterDlg.h"
#include "app/console/WindowSystem.h"

namespace consoletest {

// A window system without a toolkit: controls are records, posted calls wait in a queue that the
// test's thread (the window's thread) runs, and every operation is written to `ops` in order.
class FakeWindowSystem : public orvane::IWindowSystem {
public:
    struct Control {
        std::string text;
        bool visible = true;
        bool enabled = true;
        bool font = false;
    };

    // Lines the log view shows at once; EM_LINESCROLL stops when the last line is at the bottom.
    static constexpr int kViewLines = 10;

    std::map<int, Control> controls;
    std::vector<std::string> items = {"RS232", "USB"};
    int curSel = -1;
    int logTop = 0;  // first line in view
    int progressValue = -1;
    int progressMax = -1;
    bool fontAvailable = true;
    bool fontReleased = false;
    int iconSets = 0;
    std::vector<std::pair<unsigned, std::string>> menuEntries;
    std::optional<std::string> chooserAnswer;
    int chooserRuns = 0;
    int aboutRuns = 0;
    std::optional<int> endResult;
    std::vector<std::string> ops;
    std::atomic<int> pumps{0};
    // Runs on the window's thread once per turn of RunWhileLive and JoinWorker, after the queue:
    // the operator acting while Load searches.
    std::function<void()> whileLive;
    CUpdaterDlg* dlg = nullptr;

    std::string GetItemText(int id) override { return controls[id].text; }
    void SetItemText(int id, const std::string& text) override {
        ops.push_back("text " + std::to_string(id));
        controls[id].text = text;
        if (id == 1010) {
            logTop = 0;  // a new text puts the view at its top
        }
    }
    void ShowDlgItem(int id, bool show) override {
        ops.push_back((show ? "show " : "hide ") + std::to_string(id));
        controls[id].visible = show;
    }
    void EnableDlgItem(int id, bool enable) override { controls[id].enabled = enable; }
    void SetFocusDlgItem(int id) override { ops.push_back("focus " + std::to_string(id)); }
    int GetCurSel(int) override { return curSel; }
    void SetCurSel(int, int index) override {
        ops.push_back("cursel " + std::to_string(index));
        curSel = index;
    }
    int GetLineCount(int id) override { return LineCount(controls[id].text); }
    void LineScroll(int id, int lines) override {
        ops.push_back("scroll " + std::to_string(lines));
        const int maxTop = std::max(0, LineCount(controls[id].text) - kViewLines);
        logTop = std::min(maxTop, logTop + lines);
    }
    void SetProgress(int, int value, int maximum) override {
        progressValue = value;
        progressMax = maximum;
    }
    bool CreateControlFont() override { return fontAvailable; }
    void SetDlgItemFont(int id) override {
        ops.push_back("font " + std::to_string(id));
        controls[id].font = true;
    }
    void ReleaseControlFont() override { fontReleased = true; }
    void SetWindowIcon() override { ++iconSets; }
    bool AppendSystemMenuEntry(unsigned command, const char* text) override {
        menuEntries.emplace_back(command, text);
        return true;
    }
    std::optional<std::string> ChooseFile() override {
        ++chooserRuns;
        return chooserAnswer;
    }
    void DoAboutBox() override { ++aboutRuns; }
    void EndDialog(int result) override { endResult = result; }
    bool OnWindowThread() override { return std::this_thread::get_id() == m_windowThread; }
    void Post(std::function<void()> call) override {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(call));
    }
    void SendLogRefresh() override {
        Post([this] { dlg->OnLogRefreshMessage(); });
    }
    void RunWhileLive(const std::function<void()>& work) override {
        std::atomic<bool> done{false};
        std::thread helper([&] {
            work();
            done = true;
        });
        while (!done) {
            Turn();
        }
        helper.join();
        RunPosted();
    }
    void PumpEvents() override {
        ++pumps;
        if (OnWindowThread()) {
            RunPosted();
        }
    }
    void JoinWorker(orvane::WorkerThread& worker) override {
        while (worker.Running()) {
            Turn();
        }
        worker.Join();
    }

    // Runs the calls posted so far on this (the window's) thread; returns how many ran.
    int RunPosted() {
        int ran = 0;
        for (;;) {
            std::function<void()> call;
            {
                std::lock_guard lock(m_mutex);
                if (m_queue.empty()) {
                    return ran;
                }
                call = std::move(m_queue.front());
                m_queue.pop_front();
            }
            call();
            ++ran;
        }
    }
    size_t Queued() {
        std::lock_guard lock(m_mutex);
        return m_queue.size();
    }

    static int LineCount(const std::string& text) {
        int lines = 1;
        for (size_t at = text.find("\r\n"); at != std::string::npos;
             at = text.find("\r\n", at + 2)) {
            ++lines;
        }
        return lines;
    }

private:
    void Turn() {
        RunPosted();
        if (whileLive) {
            whileLive();
        }
        std::this_thread::yield();
    }

    std::thread::id m_windowThread = std::this_thread::get_id();
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_queue;
};

}  // namespace consoletest
