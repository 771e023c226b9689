#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "download/Script.h"
#include "download/WorkerWindow.h"

namespace orvane {

// One run of DownloadWorker: owns every buffer of the run (on the heap, the worker's thread has
// a default stack) and plays the script over the link that g_interfaceKind selects. The RS232
// side and the ends live in DownloadWorker.cpp, the USB exchange in UsbExchange.cpp. Runs on the
// worker's thread only.
class DownloadRun {
public:
    explicit DownloadRun(CWorkerWindow& window);
    DownloadRun(const DownloadRun&) = delete;
    DownloadRun& operator=(const DownloadRun&) = delete;

    void Play();

    static constexpr uint32_t kReplySize = 512;
    static constexpr uint32_t kVersionSize = 128;

private:
    // What a step leaves the run to do next.
    enum class Flow {
        Go,    // carry on with the next frame block
        Fail,  // the failure end
        Stop,  // a stop was requested: end at once, nothing more goes out or into the log
    };

    // Appends `line` and refreshes; yields after it when asked. Stop when a stop was requested
    // (then nothing is appended).
    Flow Log(std::string_view line, bool yield);
    // Waits through the process clock; Stop when the wait was cut by a stop request.
    static Flow Wait(uint32_t ms);
    // Announces a long wait to the window, then waits.
    Flow WaitLong(WaitKind kind, uint32_t ms);
    void AnnounceWait(WaitKind kind, uint32_t ms);
    void FrameSent();
    // The frame's reply has been read (m_nReplyBytes of it): tells the window.
    void Exchanged(uint8_t command, uint8_t sub);
    // The reply check failed for the frame with `command` and `sub`: keeps what came back for
    // the window's OnSendFailed.
    Flow CheckFailed(uint8_t command, uint8_t sub);

    Flow Rs232Exchange();
    Flow UsbExchange();
    // The step after the exchange for frame counters 2 and above; `command` and `sub` are the
    // script frame's command and sub-command bytes as the link places them.
    Flow CounterStep(uint8_t command, uint8_t sub, bool usb);
    bool ReplyPasses() const;

    void ReopenHid();
    Flow BootloaderPoll();
    Flow VersionLine();

    CWorkerWindow& m_window;
    int m_nFrameCounter = 0;
    int m_nFrameTotal = 0;
    uint32_t m_nFrameLength = 0;
    int32_t m_nReplyBytes = 0;      // what the frame's reply read brought (-1: it failed)
    uint32_t m_nExchangeStart = 0;  // tick count when the frame's exchange began
    SendFailure m_failure;
    std::unique_ptr<char[]> m_frameText;
    std::unique_ptr<uint8_t[]> m_frame;
    std::unique_ptr<uint8_t[]> m_reply;
    std::unique_ptr<uint8_t[]> m_pollRequest;
    std::unique_ptr<uint8_t[]> m_pollReply;
    std::unique_ptr<uint8_t[]> m_version;
};

}  // namespace orvane
