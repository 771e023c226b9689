#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace orvane::cli::station {

// One flasher the station runs for a device: its stdout and stderr come back on two pipes, its
// stdin is /dev/null, and it starts with SIGINT and SIGTERM at their defaults and unblocked.
// POSIX only (posix_spawn). The pipes are non-blocking and close-on-exec on this side.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // closes the pipes; does not wait
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `args` (argv[1]...). False with a reason when it cannot be started.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               std::string& error);
    // Sends `signal` while the child runs; harmless afterwards.
    void Signal(int signal) const;
    // Collects the child once it has ended, without waiting. True once it has; *status is then
    // its exit status, or 128 + the signal that ended it.
    bool Reap(int* status);

    pid_t Pid() const { return m_pid; }
    int OutFd() const { return m_out; }
    int ErrFd() const { return m_err; }
    void CloseOut();
    void CloseErr();

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
    int m_out = -1;
    int m_err = -1;
};

// The running program's own path (/proc/self/exe), to start it again for each device; `argv0`
// when that cannot be read.
std::string SelfProgram(const char* argv0);

}  // namespace orvane::cli::station
