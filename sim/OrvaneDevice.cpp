#include "sim/OrvaneDevice.h"

#include <algorithm>

#include "link/Crc16.h"
#include "link/MessageFrame.h"
#include "platform/Clock.h"

namespace orvane::sim {

namespace {

constexpr uint8_t kStatusOk = 0x00;
constexpr uint8_t kStatusFail = 0x01;
constexpr std::size_t kVersionMax = 255;  // the version query reads its length from one byte

bool IsScriptFrame(uint8_t command, uint8_t sub) {
    if (command == frame::kCmdLinkProbe && sub == frame::kSubLinkProbe) {
        return false;
    }
    return !(command == frame::kCmdBootloader &&
             (sub == frame::kSubVersion || sub == frame::kSubPoll));
}

}  // namespace

OrvaneDevice::OrvaneDevice(DeviceConfig config)
    : m_config(std::move(config)), m_startTick(Clock().TickCount()), m_random(m_config.seed) {}

std::vector<uint8_t> OrvaneDevice::MakeFrame(uint8_t command, uint8_t status,
                                             const std::vector<uint8_t>& data) {
    const std::size_t length = std::min<std::size_t>(data.size(), 0xFFFF);
    std::vector<uint8_t> out(frame::kMagic.begin(), frame::kMagic.end());
    out.push_back(command);
    out.push_back(status);
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(length & 0xFF));
    out.insert(out.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
    const auto sealed = static_cast<uint32_t>(out.size());
    out.push_back(Crc16High(out.data(), sealed));
    out.push_back(Crc16Low(out.data(), sealed));
    return out;
}

std::optional<std::vector<uint8_t>> OrvaneDevice::Handle(const uint8_t* request,
                                                         std::size_t count) {
    std::optional<Reply> reply = Respond(request, count);
    if (!reply) {
        return std::nullopt;
    }
    return std::move(reply->bytes);
}

std::optional<OrvaneDevice::Reply> OrvaneDevice::Respond(const uint8_t* request,
                                                         std::size_t count) {
    if (request == nullptr) {
        count = 0;
    }
    const uint32_t now = NowMs();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.push_back(ReceivedFrame{now, std::vector<uint8_t>(request, request + count), false});
    ReceivedFrame& record = m_received.back();

    // A restarting or vanished device hears nothing; a fragment is not a request.
    if (!OnBusLocked(now) || count < frame::kEmptyFrameSize) {
        return std::nullopt;
    }
    const uint8_t command = request[frame::kOffCommand];
    const uint8_t sub = request[frame::kOffStatus];

    std::optional<std::vector<uint8_t>> reply;
    bool restart = false;
    if (!IsScriptFrame(command, sub)) {
        if (command == frame::kCmdLinkProbe) {
            m_scriptFrames = 0;  // a download always begins with a probe
            reply = MakeFrame(frame::kCmdLinkProbe, kStatusOk);
        } else if (sub == frame::kSubVersion) {
            const std::string& text = m_config.version;
            const std::size_t n = std::min(text.size(), kVersionMax);
            reply = MakeFrame(frame::kCmdBootloader, kStatusOk,
                              std::vector<uint8_t>(text.begin(), text.begin() + n));
        } else if (m_mode == Mode::kBootloader) {
            reply = MakeFrame(frame::kCmdBootloader, kStatusOk);
        }
    } else {
        const uint32_t number = ++m_scriptFrames;
        if (number == m_config.hangUpFrame) {
            m_hungUp = true;
            LeaveBusLocked(now);
            return std::nullopt;
        }
        if (number == 1) {
            m_mode = Mode::kBootloader;
            restart = true;
        } else if (command == frame::kCmdBootloader && sub == frame::kSubRestart) {
            restart = true;
        } else if (command == frame::kCmdBootloader && sub == frame::kSubFinish) {
            m_mode = Mode::kApplication;
            restart = true;
        }

        if (number == m_config.silentFrame) {
            // no reply
        } else if (number == m_config.garbageFrame) {
            std::uniform_int_distribution<int> length(1, 40);
            std::uniform_int_distribution<int> byte(0, 255);
            std::vector<uint8_t> junk(static_cast<std::size_t>(length(m_random)));
            for (uint8_t& b : junk) {
                b = static_cast<uint8_t>(byte(m_random));
            }
            // Never a reply that would pass a check by chance.
            if (junk.size() > frame::kOffCommand &&
                (junk[frame::kOffCommand] == frame::kCmdBootloader ||
                 junk[frame::kOffCommand] == frame::kCmdLinkProbe)) {
                junk[frame::kOffCommand] = 0x00;
            }
            reply = std::move(junk);
        } else {
            const uint8_t status = number == m_config.failFrame ? kStatusFail : kStatusOk;
            reply = MakeFrame(frame::kCmdBootloader, status);
            if (number == m_config.badCrcFrame) {
                reply->back() ^= 0xFF;
            }
        }
    }

    if (m_config.silent) {
        reply.reset();
    }
    record.answered = reply.has_value();
    if (restart) {
        LeaveBusLocked(now);
    }
    if (!reply) {
        return std::nullopt;
    }
    uint32_t due = now + m_config.replyDelayMs;
    if (restart && static_cast<int32_t>(m_offBusUntil - due) > 0) {
        due = m_offBusUntil;
    }
    return Reply{std::move(*reply), m_generation, due, restart};
}

void OrvaneDevice::Configure(const DeviceConfig& config) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_config = config;
    m_random.seed(config.seed);
}

DeviceConfig OrvaneDevice::Config() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_config;
}

uint32_t OrvaneDevice::ReplyDelayMs() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_config.replyDelayMs;
}

bool OrvaneDevice::OnBus() const {
    const uint32_t now = NowMs();
    std::lock_guard<std::mutex> lock(m_mutex);
    return OnBusLocked(now);
}

uint64_t OrvaneDevice::BusGeneration() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_generation;
}

void OrvaneDevice::HangUp() {
    const uint32_t now = NowMs();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_hungUp) {
        m_hungUp = true;
        LeaveBusLocked(now);
    }
}

bool OrvaneDevice::HungUp() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_hungUp;
}

bool OrvaneDevice::InBootloader() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_mode == Mode::kBootloader;
}

uint32_t OrvaneDevice::NowMs() const {
    return Clock().TickCount() - m_startTick;
}

std::vector<ReceivedFrame> OrvaneDevice::Received() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

void OrvaneDevice::ClearReceived() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
}

void OrvaneDevice::LeaveBusLocked(uint32_t now) {
    ++m_generation;
    m_offBus = true;
    m_offBusUntil = now + m_config.restartMs;
}

bool OrvaneDevice::OnBusLocked(uint32_t now) const {
    if (m_hungUp) {
        return false;
    }
    // Signed difference: correct across the wrap of the 32-bit tick.
    return !m_offBus || static_cast<int32_t>(now - m_offBusUntil) >= 0;
}

}  // namespace orvane::sim
