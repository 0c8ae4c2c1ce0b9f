// BVProcessExitWatcher: calls back when processes exit, woken by the kernel through pidfds
// (one epoll thread for the whole process, started on first use). Internal to the platform
// layer's workspace. Safe from any thread; callbacks run on the watcher's thread, or on the
// caller's when the process had already exited.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

class BVProcessExitWatcher {
public:
    static BVProcessExitWatcher& shared();
    static bool hasExited(int pidfd);

    // Calls `callback` once when the process behind `pidfd` exits. Answers a token (0 when
    // the callback already ran because the process had exited).
    uint64_t watch(int pidfd, std::function<void()> callback);
    void unwatch(uint64_t token);
    // Drops every watch on `pidfd` (its owner is about to close it).
    void forget(int pidfd);
    // Collects the exit status of a child of ours once it exits, so it leaves no zombie.
    void reapWhenExited(pid_t child);

private:
    BVProcessExitWatcher();
    void run();

    struct Watch {
        int sourceFd;  // the caller's pidfd
        int fd;        // our duplicate, registered with epoll
        std::function<void()> callback;
    };
    int epoll_ = -1;
    std::mutex mutex_;
    uint64_t next_ = 1;
    std::map<uint64_t, Watch> watches_;
};
