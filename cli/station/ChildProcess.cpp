#include "cli/station/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

extern char** environ;

namespace orvane::cli::station {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

bool OwnEnd(int fd) {
    return fcntl(fd, F_SETFD, FD_CLOEXEC) == 0 &&
           fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK) == 0;
}

}  // namespace

ChildProcess::~ChildProcess() {
    CloseOut();
    CloseErr();
}

void ChildProcess::CloseOut() {
    CloseFd(m_out);
}

void ChildProcess::CloseErr() {
    CloseFd(m_err);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         std::string& error) {
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (pipe(out) != 0 || pipe(err) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        CloseFd(out[0]);
        CloseFd(out[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    posix_spawn_file_actions_addclose(&actions, err[1]);

    // The station blocks these signals for its own signal thread; the child takes its own.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    CloseFd(out[1]);
    CloseFd(err[1]);
    if (spawned != 0) {
        error = "cannot start " + program + ": " + std::strerror(spawned);
        CloseFd(out[0]);
        CloseFd(err[0]);
        return false;
    }
    m_pid = pid;
    m_out = out[0];
    m_err = err[0];
    OwnEnd(m_out);
    OwnEnd(m_err);
    return true;
}

void ChildProcess::Signal(int signal) const {
    if (m_pid > 0 && !m_reaped) {
        kill(m_pid, signal);
    }
}

bool ChildProcess::Reap(int* status) {
    if (m_pid <= 0) {
        return false;
    }
    int raw = 0;
    pid_t got = 0;
    do {
        got = waitpid(m_pid, &raw, WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got != m_pid) {
        return false;
    }
    m_reaped = true;
    if (status != nullptr) {
        *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    return true;
}

std::string SelfProgram(const char* argv0) {
    char path[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n > 0) {
        return std::string(path, static_cast<std::size_t>(n));
    }
    return argv0 != nullptr ? argv0 : "orvane-flash";
}

}  // namespace orvane::cli::station
