// SIGINT and SIGTERM are taken by a thread of their own (sigwait), so nothing but plain code
// runs on their arrival.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "cli/Interrupt.h"
#include "platform/SendGate.h"

namespace orvane::cli {

namespace {
std::atomic<std::mutex*> g_logGuard{nullptr};
std::atomic<Interrupt> g_interrupt{Interrupt::None};
}  // namespace

void SetInterruptGuard(std::mutex* logGuard) {
    g_logGuard = logGuard;
}

Interrupt InterruptReceived() {
    return g_interrupt.load();
}

void WatchInterrupts() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals] {
        int signal = 0;
        while (sigwait(&signals, &signal) == 0) {
            Interrupt expected = Interrupt::None;
            g_interrupt.compare_exchange_strong(
                expected, signal == SIGINT ? Interrupt::Interrupted : Interrupt::Terminated);
            if (std::mutex* guard = g_logGuard.load()) {
                std::lock_guard<std::mutex> lock(*guard);
                RequestStopAndDrain();
            } else {
                RequestStopAndDrain();
            }
        }
    }).detach();
}

}  // namespace orvane::cli
