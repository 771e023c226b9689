#include "app/console/WorkerThread.h"

#include <utility>

namespace orvane {

WorkerThread::WorkerThread(Function function, void* param, std::function<void()> onEnd)
    : m_thread([this, function, param, onEnd = std::move(onEnd)] {
          function(param);
          m_bEnded.store(true);
          if (onEnd) {
              onEnd();
          }
      }) {}

WorkerThread::~WorkerThread() {
    Join();
}

void WorkerThread::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

}  // namespace orvane
