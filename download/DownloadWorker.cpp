#include "download/DownloadWorker.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "download/DownloadRun.h"
#include "link/LinkProbe.h"
#include "link/MessageFrame.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"
#include "platform/SendGate.h"

unsigned DownloadWorker(void* pParam) {
    if (pParam != nullptr) {
        orvane::DownloadRun run(*static_cast<CWorkerWindow*>(pParam));
        run.Play();
    }
    return 0;
}

namespace orvane {

namespace {
using frame::kCmdBootloader;
using frame::kSubErase;
using frame::kSubFinish;
using frame::kSubRestart;
}  // namespace

DownloadRun::DownloadRun(CWorkerWindow& window)
    : m_window(window),
      m_frameText(std::make_unique<char[]>(kFrameTextSize)),
      m_frame(std::make_unique<uint8_t[]>(kFrameBufferSize)),
      m_reply(std::make_unique<uint8_t[]>(kReplySize)),
      m_pollRequest(std::make_unique<uint8_t[]>(kReplySize)),
      m_pollReply(std::make_unique<uint8_t[]>(kReplySize)),
      m_version(std::make_unique<uint8_t[]>(kVersionSize)) {}

void DownloadRun::Play() {
    {
        std::lock_guard lock(m_window.m_logGuard);
        if (Clock().StopRequested()) {
            return;
        }
        m_window.m_strLog.clear();
    }

    ScriptText script;
    ReadFailure refusal;
    refusal.path = m_window.m_strFilePath;
    // A script the scan cannot play safely (a block too long for its buffers, or one that never
    // closes), or one with nothing to play, is refused whole, before anything goes out.
    refusal.readable = ReadScriptFile(m_window.m_strFilePath, script, &refusal.reason);
    if (refusal.readable) {
        refusal.check = CheckScript(script);
        refusal.reason = DescribeScriptFault(refusal.check);
    }
    if (!refusal.readable || !refusal.check.Accepted()) {
        if (Log("Read file fail.\r\n", false) == Flow::Go) {
            m_window.OnReadFailed(refusal);
        }
        return;
    }
    const uint64_t frames = refusal.check.frames;
    m_nFrameTotal = frames > static_cast<uint64_t>(INT_MAX) ? INT_MAX : static_cast<int>(frames);
    m_window.OnProgress(0, m_nFrameTotal);

    ScriptScan scan(script);
    FrameBlock block;
    while (scan.Next(block, m_frameText.get())) {
        std::memset(m_frame.get(), 0, kFrameBufferSize);
        std::memset(m_reply.get(), 0, kReplySize);
        HexTextToBytes(m_frameText.get(), block.textLength, m_frame.get(), &m_nFrameLength);

        const int counted = m_nFrameCounter;
        m_nReplyBytes = 0;
        m_nExchangeStart = Clock().TickCount();
        Flow flow = Flow::Go;
        if (g_interfaceKind == 0) {
            flow = Rs232Exchange();
        } else if (g_interfaceKind == 1) {
            flow = UsbExchange();
        }
        if (flow == Flow::Stop) {
            return;
        }
        if (flow == Flow::Fail) {
            if (Log("Send command fail.\r\n", false) == Flow::Go) {
                m_window.OnSendFailed(m_failure);
            }
            return;
        }
        if (m_nFrameCounter != counted && !Clock().StopRequested()) {
            m_window.OnProgress(m_nFrameCounter, m_nFrameTotal);
        }
    }
    Log("Firmware Successfully Downloaded.\r\n", false);
}

DownloadRun::Flow DownloadRun::Log(std::string_view line, bool yield) {
    {
        // The console's Stop requests the stop while holding this lock, so no line can slip in
        // after it.
        std::lock_guard lock(m_window.m_logGuard);
        if (Clock().StopRequested()) {
            return Flow::Stop;
        }
        m_window.m_strLog.append(line);
    }
    m_window.LogRefresh();
    return yield ? Wait(0) : Flow::Go;
}

DownloadRun::Flow DownloadRun::Wait(uint32_t ms) {
    return Clock().Sleep(ms) ? Flow::Go : Flow::Stop;
}

DownloadRun::Flow DownloadRun::WaitLong(WaitKind kind, uint32_t ms) {
    AnnounceWait(kind, ms);
    return Wait(ms);
}

void DownloadRun::AnnounceWait(WaitKind kind, uint32_t ms) {
    if (!Clock().StopRequested()) {
        m_window.OnLongWait(LongWait{kind, m_nFrameCounter, ms});
    }
}

void DownloadRun::FrameSent() {
    ++m_nFrameCounter;
}

void DownloadRun::Exchanged(uint8_t command, uint8_t sub) {
    if (Clock().StopRequested()) {
        return;
    }
    ExchangeRecord record;
    record.frame = m_nFrameCounter;
    record.command = command;
    record.sub = sub;
    record.sentBytes = m_nFrameLength;
    record.replyBytes = m_nReplyBytes;
    record.replyCommand = m_reply[frame::kOffCommand];
    record.replyStatus = m_reply[frame::kOffStatus];
    record.elapsedMs = Clock().TickCount() - m_nExchangeStart;
    m_window.OnExchange(record);
}

DownloadRun::Flow DownloadRun::CheckFailed(uint8_t command, uint8_t sub) {
    m_failure = SendFailure{};
    m_failure.frame = m_nFrameCounter;
    m_failure.command = command;
    m_failure.sub = sub;
    m_failure.replyBytes = m_nReplyBytes;
    m_failure.replyCommand = m_reply[frame::kOffCommand];
    m_failure.replyStatus = m_reply[frame::kOffStatus];
    m_failure.reply = m_nReplyBytes <= 0                         ? ReplyKind::Nothing
                      : m_failure.replyCommand != kCmdBootloader ? ReplyKind::WrongCommand
                                                                 : ReplyKind::BadStatus;
    return Flow::Fail;
}

bool DownloadRun::ReplyPasses() const {
    return m_reply[frame::kOffCommand] == kCmdBootloader && m_reply[frame::kOffStatus] == 0;
}

DownloadRun::Flow DownloadRun::Rs232Exchange() {
    const bool sent = SendUnlessStopped([this] {
        if (m_nFrameLength > 0) {
            g_serialLink.Write(m_frame.get(), m_nFrameLength);
        }
    });
    if (!sent) {
        return Flow::Stop;
    }
    FrameSent();
    if (Wait(500) == Flow::Stop) {
        return Flow::Stop;
    }
    const uint8_t command = m_frame[10];
    const uint8_t sub = m_frame[11];
    if (command == kCmdBootloader) {
        const uint32_t more = sub == kSubErase || sub == kSubRestart ? 2000
                              : sub == kSubFinish                    ? 4000
                                                                     : 0;
        const WaitKind kind = sub == kSubErase     ? WaitKind::Erase
                              : sub == kSubRestart ? WaitKind::Restart
                                                   : WaitKind::Finish;
        if (more > 0 && WaitLong(kind, more) == Flow::Stop) {
            return Flow::Stop;
        }
    }
    m_nReplyBytes = g_serialLink.Read(m_reply.get(), kReplySize);
    Exchanged(command, sub);
    if (m_nFrameCounter == 1) {
        // Frame 1 puts the device into its bootloader: no check, only time to get there.
        return WaitLong(WaitKind::BootloaderEntry, 5000);
    }
    return CounterStep(command, sub, false);
}

DownloadRun::Flow DownloadRun::CounterStep(uint8_t command, uint8_t sub, bool usb) {
    if (m_nFrameCounter == 2) {
        if (!ReplyPasses()) {
            return CheckFailed(command, sub);
        }
        const Flow flow = Log("Start bootloader.\r\n", true);
        return flow == Flow::Go && usb ? VersionLine() : flow;
    }
    if (m_nFrameCounter == 3) {
        if (!ReplyPasses()) {
            return CheckFailed(command, sub);
        }
        return Log("Start send bootloader command.\r\n", true);
    }
    if (command == kCmdBootloader && sub == kSubFinish) {
        // The device restarts on this command and may not answer it.
        m_reply[10] = kCmdBootloader;
        m_reply[11] = 0;
    }
    if (!ReplyPasses()) {
        return CheckFailed(command, sub);
    }
    char line[64];
    std::snprintf(line, sizeof line, "Loading firmware ... Package %d\r\n", m_nFrameCounter - 3);
    return Log(line, false);
}

}  // namespace orvane
