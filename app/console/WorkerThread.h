#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace orvane {

// The thread of one download worker. The object stays valid (and answers Running) for as long
// as its owner keeps it, whether or not the thread function has returned; the destructor joins.
// Create, Running and Join on the window's thread; `onEnd` runs on the worker's thread right
// after the thread function returns.
class WorkerThread {
public:
    using Function = unsigned (*)(void*);

    WorkerThread(Function function, void* param, std::function<void()> onEnd = {});
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // True until the thread function has returned.
    bool Running() const { return !m_bEnded.load(); }
    // Waits for the thread function to return. The caller must make sure that the function
    // cannot be waiting for the calling thread (release the log refresh first).
    void Join();

private:
    std::atomic<bool> m_bEnded{false};
    std::thread m_thread;
};

}  // namespace orvane
