// termios back end of ISerialPort. The port stays non-blocking; the read time-outs of the link
// (50 ms between bytes, 200 ms in all) are measured here on the steady clock, in slices short
// enough that a stop request on the process clock ends a read within about 10 ms.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/Clock.h"
#include "platform/ModeText.h"
#include "platform/SerialPort.h"
#include "platform/SerialPortPosixTermios.h"

#if defined(__linux__)
#include "platform/SerialPortPosixBaud.h"
#endif

namespace orvane {

namespace {

using Steady = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kIntervalTimeout{50};
constexpr milliseconds kTotalTimeout{200};
constexpr milliseconds kSlice{10};

bool IsPseudoTerminal(int fd, const std::string& device) {
#if defined(__linux__)
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISCHR(st.st_mode)) {
        const unsigned int maj = major(st.st_rdev);
        if (maj >= 136 && maj <= 143) {  // Unix98 pty slaves
            return true;
        }
    }
#else
    (void)fd;
#endif
    return device.rfind("/dev/pts/", 0) == 0;
}

// Waits on `pfd` for `wait`. ppoll keeps the sub-millisecond rest of a time-out, which a
// millisecond poll would round up on every read of a reply.
int PollFor(pollfd& pfd, Steady::duration wait) {
#if defined(__linux__)
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    timespec ts{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
    return ::ppoll(&pfd, 1, &ts, nullptr);
#else
    return ::poll(&pfd, 1, static_cast<int>(std::chrono::ceil<milliseconds>(wait).count()));
#endif
}

class SerialPortPosix final : public ISerialPort {
public:
    ~SerialPortPosix() override { Close(); }

    bool Open(const std::string& device, const std::string& modeText) override {
        if (m_fd >= 0) {
            return Fail(SerialOpenError::Busy, EBUSY);
        }
        ModeSettings mode;
        if (!ParseModeText(modeText, mode)) {
            return Fail(SerialOpenError::BadSettings, EINVAL);
        }
        m_fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0) {
            const int err = errno;
            return Fail(SerialOpenErrorOfErrno(err), err);
        }
        if (!Configure(device, mode)) {
            Close();
            return false;  // Configure has said why
        }
        m_lastError = SerialOpenError::None;
        m_lastSystemError = 0;
        return true;
    }

    SerialOpenError LastOpenError() const override { return m_lastError; }
    int LastOpenSystemError() const override { return m_lastSystemError; }

    void Close() override {
        if (m_fd >= 0) {
            ::ioctl(m_fd, TIOCNXCL);
            ::close(m_fd);
            m_fd = -1;
        }
    }

    bool IsOpen() const override { return m_fd >= 0; }

    int32_t Read(uint8_t* buf, uint32_t max) override {
        if (m_fd < 0 || buf == nullptr) {
            return -1;
        }
        if (max == 0) {
            return 0;
        }
        const auto start = Steady::now();
        auto last = start;
        uint32_t got = 0;
        for (;;) {
            if (Clock().StopRequested()) {
                return -1;
            }
            const auto now = Steady::now();
            auto deadline = start + kTotalTimeout;
            if (got > 0) {
                deadline = std::min(deadline, last + kIntervalTimeout);
            }
            if (now > deadline) {
                return static_cast<int32_t>(got);
            }
            pollfd pfd{m_fd, POLLIN, 0};
            const int ready = PollFor(pfd, std::min<Steady::duration>(deadline - now, kSlice));
            if (ready < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return -1;
            }
            if (ready == 0) {
                continue;
            }
            if ((pfd.revents & (POLLERR | POLLNVAL)) != 0) {
                return -1;
            }
            const ssize_t n = ::read(m_fd, buf + got, max - got);
            if (n > 0) {
                got += static_cast<uint32_t>(n);
                last = Steady::now();
                if (got >= max) {
                    return static_cast<int32_t>(got);
                }
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                continue;
            }
            // EIO, or end of file after a hang-up: the device or the other side is gone.
            if (n < 0 || (pfd.revents & POLLHUP) != 0) {
                return -1;
            }
        }
    }

    int32_t Write(const uint8_t* buf, uint32_t count) override {
        if (m_fd < 0 || (buf == nullptr && count != 0) || count > INT32_MAX) {
            return -1;
        }
        uint32_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(m_fd, buf + done, count - done);
            if (n > 0) {
                done += static_cast<uint32_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                return -1;
            }
            // Output queue full: wait for room, but let a stop end the write.
            for (;;) {
                if (Clock().StopRequested()) {
                    return -1;
                }
                pollfd pfd{m_fd, POLLOUT, 0};
                const int ready = ::poll(&pfd, 1, static_cast<int>(kSlice.count()));
                if (ready < 0 && errno != EINTR) {
                    return -1;
                }
                if (ready > 0) {
                    if ((pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                        return -1;
                    }
                    break;
                }
            }
        }
        return static_cast<int32_t>(done);
    }

private:
    bool Fail(SerialOpenError error, int systemError) {
        m_lastError = error;
        m_lastSystemError = systemError;
        return false;
    }

    bool Configure(const std::string& device, const ModeSettings& mode) {
        if (!::isatty(m_fd)) {
            return Fail(SerialOpenError::NotSerial, ENOTTY);
        }
        // Nobody else may open the port while we hold it; not every driver supports it.
        ::ioctl(m_fd, TIOCEXCL);

        termios tio{};
        if (::tcgetattr(m_fd, &tio) != 0) {
            return Fail(SerialOpenError::NotSerial, errno);
        }
        if (!BuildRawTermios(mode, tio)) {
            return Fail(SerialOpenError::BadSettings, EINVAL);
        }
        speed_t speed{};
        const bool standard = mode.baud && StandardSpeed(*mode.baud, speed);
        if (standard && (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0)) {
            return Fail(SerialOpenError::BadSettings, errno);
        }
        if (::tcsetattr(m_fd, TCSANOW, &tio) != 0) {
            return Fail(SerialOpenError::BadSettings, errno);
        }
        if (mode.baud && !standard) {
#if defined(__linux__)
            if (!SetExactBaud(m_fd, *mode.baud)) {
                return Fail(SerialOpenError::BadSettings, errno);
            }
#else
            return Fail(SerialOpenError::BadSettings, EINVAL);
#endif
        }
        int lines = TIOCM_DTR | TIOCM_RTS;
        if (::ioctl(m_fd, TIOCMBIS, &lines) != 0) {
            // A pseudo-terminal has no modem lines; any other refusal is a real fault.
            const int err = errno;
            if (!((err == ENOTTY || err == EINVAL) && IsPseudoTerminal(m_fd, device))) {
                return Fail(err == EIO ? SerialOpenError::NotFound : SerialOpenError::Other, err);
            }
        }
        ::tcflush(m_fd, TCIOFLUSH);
        return true;
    }

    int m_fd = -1;
    SerialOpenError m_lastError = SerialOpenError::None;
    int m_lastSystemError = 0;
};

}  // namespace

std::unique_ptr<ISerialPort> MakeSystemSerialPort() {
    return std::make_unique<SerialPortPosix>();
}

}  // namespace orvane
