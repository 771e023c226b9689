#include <cstring>
#include <string>

#include "download/DownloadRun.h"
#include "link/HidLink.h"
#include "link/LinkProbe.h"
#include "link/MessageFrame.h"
#include "platform/Clock.h"
#include "platform/SendGate.h"

namespace orvane {

namespace {
// Further ReadMessage calls after a first one that brought nothing.
constexpr int kFurtherReads = 10;
// The poll gives up once more than this many whole seconds have passed.
constexpr int64_t kPollGiveUpSeconds = 5;
}  // namespace

void DownloadRun::ReopenHid() {
    g_hidLink.Open(m_window.m_nVid, m_window.m_nPid);
}

DownloadRun::Flow DownloadRun::UsbExchange() {
    if (Wait(500) == Flow::Stop) {
        return Flow::Stop;
    }
    // A zero-length frame sends nothing and otherwise runs like any other.
    if (!SendUnlessStopped([this] { g_hidLink.WriteRaw(m_frame.get(), m_nFrameLength); })) {
        return Flow::Stop;
    }
    FrameSent();
    if (Wait(200) == Flow::Stop) {
        return Flow::Stop;
    }
    // The frame is already cut into reports: byte 0 is a position code.
    const uint8_t command = m_frame[11];
    const uint8_t sub = m_frame[12];
    if (command == frame::kCmdBootloader) {
        if (sub == frame::kSubErase) {
            if (WaitLong(WaitKind::Erase, 2000) == Flow::Stop) {
                return Flow::Stop;
            }
        } else if (sub == frame::kSubRestart) {
            ReopenHid();
        } else if (sub == frame::kSubFinish) {
            if (WaitLong(WaitKind::Finish, 4000) == Flow::Stop) {
                return Flow::Stop;
            }
            ReopenHid();
        }
    }

    uint32_t count = 0;
    g_hidLink.ReadMessage(m_reply.get(), &count, kReplySize);
    for (int i = 0; i < kFurtherReads && count == 0; ++i) {
        if (Clock().StopRequested()) {
            return Flow::Stop;
        }
        g_hidLink.ReadMessage(m_reply.get(), &count, kReplySize);
        if (count == 0 && Wait(200) == Flow::Stop) {
            return Flow::Stop;
        }
    }
    m_nReplyBytes = static_cast<int32_t>(count);
    Exchanged(command, sub);

    if (m_nFrameCounter == 1) {
        // Frame 1 sends the device into its bootloader, which comes back as a new USB device.
        if (Log("Enter bootloader mode success!\r\n", false) == Flow::Stop) {
            return Flow::Stop;
        }
        ReopenHid();
        AnnounceWait(WaitKind::BootloaderEntry, 5000);
        return BootloaderPoll();
    }
    return CounterStep(command, sub, true);
}

DownloadRun::Flow DownloadRun::BootloaderPoll() {
    IClock& clock = Clock();
    const int64_t frequency = clock.HighResFrequency();
    const int64_t start = clock.HighResCounter();
    for (;;) {
        std::memset(m_pollRequest.get(), 0, kReplySize);
        std::memset(m_pollReply.get(), 0, kReplySize);
        uint32_t count = 0;
        std::memcpy(m_pollRequest.get(), frame::kPollRequest.data(), frame::kPollRequest.size());
        ReopenHid();
        const bool sent = SendUnlessStopped([this] {
            g_hidLink.WriteMessage(m_pollRequest.get(),
                                   static_cast<uint32_t>(frame::kPollRequest.size()));
        });
        if (!sent) {
            return Flow::Stop;
        }
        if (Wait(200) == Flow::Stop) {
            return Flow::Stop;
        }
        g_hidLink.ReadMessage(m_pollReply.get(), &count, kReplySize);
        if (m_pollReply[frame::kOffCommand] == frame::kCmdBootloader) {
            clock.HighResCounter();
            return Flow::Go;
        }
        // A counter without a frequency cannot time the poll: one attempt is all it gets.
        if (frequency <= 0 || (clock.HighResCounter() - start) / frequency > kPollGiveUpSeconds) {
            return Flow::Go;  // the run goes on as if the bootloader had answered
        }
    }
}

DownloadRun::Flow DownloadRun::VersionLine() {
    std::memset(m_version.get(), 0, kVersionSize);
    uint32_t length = 0;
    if (Wait(200) == Flow::Stop) {
        return Flow::Stop;
    }
    ReplySeen seen;
    if (!QueryBootloaderVersion(m_version.get(), &length, kVersionSize, &seen)) {
        if (Clock().StopRequested()) {
            return Flow::Stop;
        }
        m_nReplyBytes = seen.bytes;
        m_reply[frame::kOffCommand] = seen.command;
        m_reply[frame::kOffStatus] = seen.status;
        CheckFailed(frame::kCmdBootloader, frame::kSubVersion);
        m_failure.versionQuery = true;
        return Flow::Fail;
    }
    if (length > kVersionSize) {
        length = kVersionSize;
    }
    // Each byte goes into the line as one character, as "%c" would put it.
    std::string line = "BL Version:";
    line.append(reinterpret_cast<const char*>(m_version.get()), length);
    line += "\r\n";
    return Log(line, true);
}

}  // namespace orvane
