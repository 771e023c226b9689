#include "sim/SimSerialDevice.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "link/MessageFrame.h"
#include "sim/OrvaneDevice.h"

namespace orvane::sim {

namespace {

using SteadyClock = std::chrono::steady_clock;

// A device drops a half-received frame after this much silence on the line.
constexpr auto kReceiveTimeout = std::chrono::milliseconds(200);
// Longest the serving thread sleeps without looking at the stop flag and the hang-up.
constexpr int kPollSliceMs = 20;

// True when `pending` opens with the magic, or with its first bytes when shorter.
bool StartsWithMagicPrefix(const std::vector<uint8_t>& pending) {
    const std::size_t n = std::min(pending.size(), frame::kMagicSize);
    return std::equal(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(n),
                      frame::kMagic.begin());
}

}  // namespace

SimSerialDevice::SimSerialDevice(OrvaneDevice& device) : m_device(device) {}

SimSerialDevice::~SimSerialDevice() {
    Stop();
}

bool SimSerialDevice::Start(std::string* error) {
    auto fail = [error](const char* what) {
        if (error != nullptr) {
            *error = std::string(what) + ": " + std::strerror(errno);
        }
        return false;
    };
    if (Running()) {
        errno = EBUSY;
        return fail("already running");
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        return fail("posix_openpt");
    }
    char name[128] = {};
    termios tio{};
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0 || tcgetattr(master, &tio) != 0) {
        const int saved = errno;
        close(master);
        errno = saved;
        return fail("pseudo-terminal setup");
    }
    cfmakeraw(&tio);
    tcsetattr(master, TCSANOW, &tio);
    // Non-blocking writes: a host that never reads must not wedge the serving thread.
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    // Holding the slave open keeps the line up between two opens by a link.
    const int slave = open(name, O_RDWR | O_NOCTTY);
    if (slave < 0 || pipe(m_wakePipe) != 0) {
        const int saved = errno;
        if (slave >= 0) {
            close(slave);
        }
        close(master);
        errno = saved;
        return fail("open slave");
    }
    m_slave = slave;
    m_master = master;
    m_slavePath = name;
    m_stop = false;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void SimSerialDevice::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    m_stop = true;
    const uint8_t wake = 1;
    [[maybe_unused]] auto ignored = write(m_wakePipe[1], &wake, 1);
    m_thread.join();
    CloseMaster();
    for (int& fd : m_wakePipe) {
        close(fd);
        fd = -1;
    }
    if (m_slave >= 0) {
        close(m_slave);
        m_slave = -1;
    }
}

void SimSerialDevice::HangUp() {
    m_device.HangUp();
    if (m_thread.joinable()) {
        const uint8_t wake = 1;
        [[maybe_unused]] auto ignored = write(m_wakePipe[1], &wake, 1);
    }
}

void SimSerialDevice::CloseMaster() {
    const int fd = m_master.exchange(-1);
    if (fd >= 0) {
        close(fd);
    }
}

void SimSerialDevice::WriteAll(const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    const auto giveUp = SteadyClock::now() + std::chrono::milliseconds(100);
    while (done < bytes.size() && !m_stop) {
        const int fd = m_master.load();
        if (fd < 0) {
            return;
        }
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else if (SteadyClock::now() >= giveUp) {
            return;  // nobody drains the line: the rest is lost, as on a real wire
        } else {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, kPollSliceMs);
        }
    }
}

void SimSerialDevice::Serve() {
    std::vector<uint8_t> pending;
    std::vector<Outgoing> outgoing;
    auto lastByte = SteadyClock::now();
    uint8_t chunk[4096];

    while (!m_stop) {
        if (m_device.HungUp()) {
            CloseMaster();
            pending.clear();
            outgoing.clear();
        }
        const int master = m_master.load();

        // Send the replies that are due, in order of arrival.
        const auto now = SteadyClock::now();
        while (!outgoing.empty() && outgoing.front().due <= now) {
            WriteAll(outgoing.front().bytes);
            outgoing.erase(outgoing.begin());
        }

        int timeoutMs = kPollSliceMs;
        if (!outgoing.empty()) {
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                outgoing.front().due - SteadyClock::now());
            timeoutMs = std::clamp(static_cast<int>(wait.count()), 0, kPollSliceMs);
        }
        pollfd fds[2] = {{m_wakePipe[0], POLLIN, 0}, {master, POLLIN, 0}};
        const int ready = poll(fds, master >= 0 ? 2 : 1, timeoutMs);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            uint8_t drain[16];
            [[maybe_unused]] auto ignored = read(m_wakePipe[0], drain, sizeof drain);
        }
        if (master >= 0 && (fds[1].revents & POLLIN) != 0) {
            const ssize_t n = read(master, chunk, sizeof chunk);
            if (n > 0) {
                if (!pending.empty() && SteadyClock::now() - lastByte > kReceiveTimeout) {
                    pending.clear();
                }
                lastByte = SteadyClock::now();
                pending.insert(pending.end(), chunk, chunk + n);
                HandleBufferInto(pending, outgoing);
            }
        } else if (master >= 0 && (fds[1].revents & (POLLHUP | POLLERR)) != 0) {
            // No link holds the slave right now (only our own end): nothing to read, don't spin.
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollSliceMs));
        }
    }
}

void SimSerialDevice::HandleBufferInto(std::vector<uint8_t>& pending,
                                       std::vector<Outgoing>& outgoing) {
    for (;;) {
        // Resync: drop bytes until the buffer opens with (a prefix of) the magic.
        while (!pending.empty() && !StartsWithMagicPrefix(pending)) {
            pending.erase(pending.begin());
        }
        if (pending.size() < frame::kHeaderSize) {
            return;
        }
        const uint32_t total = frame::TotalSize(pending.data());
        if (total > kMaxFrame) {
            pending.erase(pending.begin());  // no frame of ours is that long: look further on
            continue;
        }
        if (pending.size() < total) {
            return;
        }
        std::optional<std::vector<uint8_t>> reply = m_device.Handle(pending.data(), total);
        pending.erase(pending.begin(), pending.begin() + total);
        if (reply) {
            const auto due =
                SteadyClock::now() + std::chrono::milliseconds(m_device.ReplyDelayMs());
            outgoing.push_back(Outgoing{due, std::move(*reply)});
        }
    }
}

}  // namespace orvane::sim
