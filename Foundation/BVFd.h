// BVFd: an open file descriptor that is closed when its owner goes. Move-only.
#pragma once

#include <unistd.h>

#include <utility>

class BVFd {
public:
    BVFd() = default;
    explicit BVFd(int fd) : fd_(fd) {}
    BVFd(BVFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    BVFd& operator=(BVFd&& other) noexcept {
        if (this != &other) reset(std::exchange(other.fd_, -1));
        return *this;
    }
    BVFd(const BVFd&) = delete;
    BVFd& operator=(const BVFd&) = delete;
    ~BVFd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};
