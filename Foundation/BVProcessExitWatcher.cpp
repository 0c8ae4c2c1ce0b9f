#include "Foundation/BVProcessExitWatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

BVProcessExitWatcher& BVProcessExitWatcher::shared() {
    static BVProcessExitWatcher* watcher = new BVProcessExitWatcher();  // lives as long as the process
    return *watcher;
}

BVProcessExitWatcher::BVProcessExitWatcher() : epoll_(::epoll_create1(EPOLL_CLOEXEC)) {
    std::thread([this] { run(); }).detach();
}

bool BVProcessExitWatcher::hasExited(int pidfd) {
    pollfd p{pidfd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR));
}

uint64_t BVProcessExitWatcher::watch(int pidfd, std::function<void()> callback) {
    if (hasExited(pidfd)) {
        callback();
        return 0;
    }
    int fd = ::fcntl(pidfd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        callback();  // cannot watch: report rather than wait forever
        return 0;
    }
    std::lock_guard lock(mutex_);
    uint64_t token = next_++;
    watches_.emplace(token, Watch{pidfd, fd, std::move(callback)});
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = token;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event);
    return token;
}

void BVProcessExitWatcher::unwatch(uint64_t token) {
    std::lock_guard lock(mutex_);
    auto it = watches_.find(token);
    if (it == watches_.end()) return;
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.fd, nullptr);
    ::close(it->second.fd);
    watches_.erase(it);
}

void BVProcessExitWatcher::forget(int pidfd) {
    std::lock_guard lock(mutex_);
    for (auto it = watches_.begin(); it != watches_.end();) {
        if (it->second.sourceFd != pidfd) {
            ++it;
            continue;
        }
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.fd, nullptr);
        ::close(it->second.fd);
        it = watches_.erase(it);
    }
}

void BVProcessExitWatcher::reapWhenExited(pid_t child) {
    int pidfd = int(::syscall(SYS_pidfd_open, child, 0));
    if (pidfd < 0) return;
    // The duplicate registered by watch() keeps the process referenced; this one can go.
    watch(pidfd, [child] { ::waitpid(child, nullptr, WNOHANG); });
    ::close(pidfd);
}

void BVProcessExitWatcher::run() {
    epoll_event events[16];
    for (;;) {
        int n = ::epoll_wait(epoll_, events, 16, -1);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        std::vector<std::function<void()>> ready;
        {
            std::lock_guard lock(mutex_);
            for (int i = 0; i < n; ++i) {
                auto it = watches_.find(events[i].data.u64);
                if (it == watches_.end()) continue;
                ::epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.fd, nullptr);
                ::close(it->second.fd);
                ready.push_back(std::move(it->second.callback));
                watches_.erase(it);
            }
        }
        for (auto& callback : ready) callback();
    }
}
