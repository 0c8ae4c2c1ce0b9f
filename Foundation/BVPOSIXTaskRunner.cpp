#include "Foundation/BVPOSIXTaskRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return int(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

void closeIfOpen(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

std::shared_ptr<BVTaskRunner> BVTaskRunner::sharedRunner() {
    static auto runner = std::make_shared<BVPOSIXTaskRunner>();
    return runner;
}

BVTaskOutcome BVPOSIXTaskRunner::run(const BVTaskRequest& request) {
    BVTaskOutcome outcome;
    int out[2], err[2], in[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        outcome.launchErrno = errno;
        return outcome;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        outcome.launchErrno = errno;
        ::close(out[0]), ::close(out[1]);
        return outcome;
    }
    if (::pipe2(in, O_CLOEXEC) != 0) {
        outcome.launchErrno = errno;
        ::close(out[0]), ::close(out[1]), ::close(err[0]), ::close(err[1]);
        return outcome;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    // The child starts with no signal blocked, whatever this process blocks for itself (the
    // command line waits for Ctrl-C on a thread of its own).
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(request.executable.c_str()));
    for (const auto& a : request.arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    int rc = request.executable.find('/') == std::string::npos
                 ? posix_spawnp(&pid, request.executable.c_str(), &actions, &attributes, argv.data(), environ)
                 : posix_spawn(&pid, request.executable.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(out[1]), ::close(err[1]), ::close(in[0]);
    if (rc != 0) {
        outcome.launchErrno = rc;
        ::close(out[0]), ::close(err[0]), ::close(in[1]);
        return outcome;
    }
    outcome.launched = true;
    if (request.onLaunch) request.onLaunch(pid);

    // Standard input: written without blocking as the tool reads it.
    int inFd = in[1];
    size_t inWritten = 0;
    if (request.standardInput.empty()) closeIfOpen(inFd);
    else ::fcntl(inFd, F_SETFL, O_NONBLOCK);

    int outFd = out[0], errFd = err[0];
    int pidfd = openPidfd(pid);
    auto start = Clock::now();
    auto deadline = request.timeoutSeconds > 0
                        ? start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(request.timeoutSeconds))
                        : Clock::time_point::max();
    bool exited = false;
    int status = 0;
    Clock::time_point killAt = Clock::time_point::max();
    bool termSent = false;

    auto reap = [&](bool block) {
        pid_t r = ::waitpid(pid, &status, block ? 0 : WNOHANG);
        if (r == pid) exited = true;
    };

    while (!exited) {
        pollfd fds[4];
        nfds_t n = 0;
        int outIndex = -1, errIndex = -1, inIndex = -1, pidIndex = -1;
        if (outFd >= 0) fds[outIndex = int(n++)] = {outFd, POLLIN, 0};
        if (errFd >= 0) fds[errIndex = int(n++)] = {errFd, POLLIN, 0};
        if (inFd >= 0) fds[inIndex = int(n++)] = {inFd, POLLOUT, 0};
        if (pidfd >= 0) fds[pidIndex = int(n++)] = {pidfd, POLLIN, 0};
        // Wake at least every 50 ms to poll cancellation (and to reap without a pidfd).
        int ready = ::poll(fds, n, 50);
        if (ready < 0 && errno != EINTR) break;
        char buffer[65536];
        auto drain = [&](int index, int& fd, std::string& into) {
            if (index < 0 || !(fds[index].revents & (POLLIN | POLLHUP | POLLERR))) return;
            ssize_t r = ::read(fd, buffer, sizeof buffer);
            if (r > 0) into.append(buffer, size_t(r));
            else if (r == 0 || (errno != EINTR && errno != EAGAIN)) closeIfOpen(fd);
        };
        if (ready > 0) {
            drain(outIndex, outFd, outcome.standardOutput);
            drain(errIndex, errFd, outcome.standardError);
            if (inIndex >= 0 && (fds[inIndex].revents & (POLLOUT | POLLERR | POLLHUP))) {
                ssize_t w = ::write(inFd, request.standardInput.data() + inWritten, request.standardInput.size() - inWritten);
                if (w > 0) inWritten += size_t(w);
                if (w < 0 && errno != EAGAIN && errno != EINTR) closeIfOpen(inFd);
                if (inWritten == request.standardInput.size()) closeIfOpen(inFd);
            }
        }
        if (pidfd >= 0) {
            if (pidIndex >= 0 && (fds[pidIndex].revents & POLLIN)) reap(true);
        } else {
            reap(false);
        }
        if (exited) break;
        auto now = Clock::now();
        bool cancel = request.shouldCancel && request.shouldCancel();
        if (!termSent && (now >= deadline || cancel)) {
            outcome.timedOut = now >= deadline;
            outcome.cancelled = cancel && !outcome.timedOut;
            ::kill(pid, SIGTERM);
            termSent = true;
            killAt = now + std::chrono::seconds(2);
        } else if (termSent && now >= killAt) {
            ::kill(pid, SIGKILL);
            killAt = Clock::time_point::max();
        }
    }
    if (!exited) reap(true);
    // Collect output written just before the exit.
    for (int* fd : {&outFd, &errFd}) {
        if (*fd < 0) continue;
        ::fcntl(*fd, F_SETFL, O_NONBLOCK);
        char buffer[65536];
        for (;;) {
            ssize_t r = ::read(*fd, buffer, sizeof buffer);
            if (r <= 0) break;
            (fd == &outFd ? outcome.standardOutput : outcome.standardError).append(buffer, size_t(r));
        }
        closeIfOpen(*fd);
    }
    closeIfOpen(inFd);
    closeIfOpen(pidfd);
    if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) outcome.terminatingSignal = WTERMSIG(status);
    return outcome;
}
