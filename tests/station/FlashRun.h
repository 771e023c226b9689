#pragma once

// orvane-flash run from a test: its stdout read line by line as it comes, its JSON Lines checked
// against the documented schema, its exit status collected. Real time.

#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "StationSchema.h"
#include "cli/station/ChildProcess.h"

namespace stationtest {

class FlashRun {
public:
    explicit FlashRun(const std::vector<std::string>& args) {
        std::string error;
        m_started = m_process.Start(ORVANE_FLASH_BINARY, args, error);
        EXPECT_TRUE(m_started) << error;
    }

    // The next stdout line, or false after `timeoutMs` or at the end of the output.
    bool NextLine(std::string& line, int timeoutMs = 30000) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const std::size_t end = m_out.find('\n');
            if (end != std::string::npos) {
                line = m_out.substr(0, end);
                m_out.erase(0, end + 1);
                m_lines.push_back(line);
                return true;
            }
            if (m_process.OutFd() < 0 || std::chrono::steady_clock::now() >= giveUp) {
                return false;
            }
            Drain(50);
        }
    }

    // The next JSON event with `event`, checked against the schema on the way; null on timeout.
    bool NextEvent(const std::string& event, JsonValue& value, int timeoutMs = 30000) {
        std::string line;
        while (NextLine(line, timeoutMs)) {
            JsonValue parsed;
            EXPECT_EQ(LineProblems(line, &parsed), "");
            m_events.push_back(parsed);
            if (parsed["event"].text == event) {
                value = parsed;
                return true;
            }
        }
        return false;
    }

    // Reads to the end and returns the exit status (-1 when it did not end within `timeoutMs`).
    int Finish(int timeoutMs = 90000) {
        std::string line;
        while (NextLine(line, timeoutMs)) {
            if (!line.empty() && line[0] == '{') {
                JsonValue parsed;
                EXPECT_EQ(LineProblems(line, &parsed), "");
                m_events.push_back(parsed);
            }
        }
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int status = -1;
        while (!m_process.Reap(&status)) {
            if (std::chrono::steady_clock::now() >= giveUp) {
                return -1;
            }
            Drain(20);
        }
        return status;
    }

    void Signal(int signal) const { m_process.Signal(signal); }
    const std::vector<std::string>& Lines() const { return m_lines; }
    const std::vector<JsonValue>& Events() const { return m_events; }
    const std::string& Err() const { return m_err; }

    // The "log" lines of each device, in order.
    std::map<std::string, std::vector<std::string>> LogsByDevice() const {
        std::map<std::string, std::vector<std::string>> logs;
        for (const JsonValue& e : m_events) {
            if (e["event"].text == "log") {
                logs[e["device"].text].push_back(e["line"].text);
            }
        }
        return logs;
    }
    // The "result" of each device.
    std::map<std::string, JsonValue> ResultsByDevice() const {
        std::map<std::string, JsonValue> results;
        for (const JsonValue& e : m_events) {
            if (e["event"].text == "result") {
                EXPECT_EQ(results.count(e["device"].text), 0U) << "one result per device";
                results[e["device"].text] = e;
            }
        }
        return results;
    }

private:
    void Drain(int timeoutMs) {
        pollfd fds[2] = {{m_process.OutFd(), POLLIN, 0}, {m_process.ErrFd(), POLLIN, 0}};
        poll(fds, 2, timeoutMs);
        ReadInto(m_process.OutFd(), m_out, true);
        ReadInto(m_process.ErrFd(), m_err, false);
    }
    void ReadInto(int fd, std::string& text, bool out) {
        if (fd < 0) {
            return;
        }
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                text.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0) {
                out ? m_process.CloseOut() : m_process.CloseErr();
            }
            return;
        }
    }

    orvane::cli::station::ChildProcess m_process;
    bool m_started = false;
    std::string m_out;
    std::string m_err;
    std::vector<std::string> m_lines;
    std::vector<JsonValue> m_events;
};

}  // namespace stationtest
