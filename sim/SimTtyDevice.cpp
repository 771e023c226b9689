#include "sim/SimTtyDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <vector>

#include "sim/FaceEvents.h"
#include "sim/FrameGatherer.h"
#include "sim/OrvaneDevice.h"

namespace orvane::sim {

namespace {

using Steady = std::chrono::steady_clock;

constexpr int kPollSliceMs = 10;
// A line nobody drains loses the rest of a reply after this long, as a real wire does.
constexpr auto kWriteGiveUp = std::chrono::milliseconds(100);

void WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    const auto giveUp = Steady::now() + kWriteGiveUp;
    while (done < bytes.size() && Steady::now() < giveUp) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, kPollSliceMs);
        }
    }
}

}  // namespace

SimTtyDevice::SimTtyDevice(OrvaneDevice& device, std::string path, std::string udcFile,
                           std::FILE* log)
    : m_device(device), m_path(std::move(path)), m_udcFile(std::move(udcFile)), m_log(log) {}

SimTtyDevice::~SimTtyDevice() {
    Stop();
}

bool SimTtyDevice::Start(std::string* error) {
    if (m_thread.joinable()) {
        return false;
    }
    m_fd = open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        if (error != nullptr) {
            *error = m_path + ": " + std::strerror(errno);
        }
        return false;
    }
    termios tio{};
    if (tcgetattr(m_fd, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tcsetattr(m_fd, TCSANOW, &tio);
    }
    tcflush(m_fd, TCIOFLUSH);
    m_stop = false;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void SimTtyDevice::Stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

void SimTtyDevice::Serve() {
    struct Outgoing {
        Steady::time_point due;
        std::vector<uint8_t> bytes;
    };
    FrameGatherer gatherer;
    std::deque<Outgoing> outgoing;
    uint8_t chunk[4096];

    while (!m_stop) {
        if (m_device.HungUp()) {
            close(m_fd);
            m_fd = -1;
            LogEvent(m_log, m_device, "hung up: terminal closed");
            if (!m_udcFile.empty()) {
                LogEvent(m_log, m_device,
                         WriteSysfs(m_udcFile, "\n") ? "gadget unbound" : "gadget unbind failed");
            }
            return;
        }
        while (!outgoing.empty() && outgoing.front().due <= Steady::now()) {
            WriteAll(m_fd, outgoing.front().bytes);
            outgoing.pop_front();
        }
        pollfd p{m_fd, POLLIN, 0};
        const int ready = poll(&p, 1, kPollSliceMs);
        if (ready <= 0) {
            continue;
        }
        if ((p.revents & POLLIN) == 0) {
            // The other end is closed (no host holds the port): nothing to read, don't spin.
            poll(nullptr, 0, kPollSliceMs);
            continue;
        }
        const ssize_t n = read(m_fd, chunk, sizeof chunk);
        if (n <= 0) {
            poll(nullptr, 0, kPollSliceMs);
            continue;
        }
        for (auto& request : gatherer.Take(chunk, static_cast<std::size_t>(n), Steady::now())) {
            if (auto reply = m_device.Handle(request.data(), request.size())) {
                const auto due = Steady::now() + std::chrono::milliseconds(m_device.ReplyDelayMs());
                outgoing.push_back(Outgoing{due, std::move(*reply)});
            }
        }
    }
}

}  // namespace orvane::sim
