#include "Agent/BVAgentTreeRemover.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

namespace {

constexpr int kMaximumDepth = 512;

std::optional<BVError> overwriteFile(int parentFd, const std::string& name, const struct stat& st, const std::string& path) {
    int fd = ::openat(parentFd, name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return BVError::fromErrno(errno, path);
    struct stat opened;
    std::optional<BVError> error;
    if (::fstat(fd, &opened) != 0 || opened.st_ino != st.st_ino || opened.st_dev != st.st_dev) {
        error = BVError::fromErrno(errno ? errno : ESTALE, path);
    } else {
        std::vector<char> zeros(1 << 16, 0);
        off_t done = 0;
        while (!error && done < opened.st_size) {
            size_t chunk = size_t(std::min<off_t>(off_t(zeros.size()), opened.st_size - done));
            ssize_t n = ::pwrite(fd, zeros.data(), chunk, done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) error = BVError::fromErrno(errno ? errno : EIO, path);
            else done += n;
        }
        if (!error && ::fsync(fd) != 0) error = BVError::fromErrno(errno, path);
    }
    ::close(fd);
    return error;
}

std::optional<BVError> removeAtDepth(int parentFd, const std::string& name, const std::string& path, bool overwrite,
                                     int depth, dev_t device) {
    struct stat st;
    if (::fstatat(parentFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return BVError::fromErrno(errno, path);
    if (depth > 0 && st.st_dev != device)
        return BVAgentProtocol::makeError(BVPrivilegedAgentErrorPathRefused, path + ": another file system is mounted here.");
    if (!S_ISDIR(st.st_mode)) {
        if (overwrite && S_ISREG(st.st_mode) && st.st_nlink == 1)
            if (auto error = overwriteFile(parentFd, name, st, path)) return error;
        if (::unlinkat(parentFd, name.c_str(), 0) != 0) return BVError::fromErrno(errno, path);
        return std::nullopt;
    }
    if (depth >= kMaximumDepth) return BVError::fromErrno(ELOOP, path);
    int fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return BVError::fromErrno(errno, path);
    DIR* folder = ::fdopendir(fd);
    if (!folder) {
        int saved = errno;
        ::close(fd);
        return BVError::fromErrno(saved, path);
    }
    std::vector<std::string> children;
    while (dirent* entry = ::readdir(folder)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        children.emplace_back(entry->d_name);
    }
    std::optional<BVError> first;
    for (const auto& child : children) {
        auto error = removeAtDepth(::dirfd(folder), child, path + "/" + child, overwrite, depth + 1, st.st_dev);
        if (error && !first) first = error;
    }
    ::closedir(folder);
    if (first) return first;
    if (::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) return BVError::fromErrno(errno, path);
    return std::nullopt;
}

}  // namespace

namespace BVAgentTreeRemover {

std::optional<BVError> removeAt(int parentFd, const std::string& name, const std::string& path, bool overwrite) {
    return removeAtDepth(parentFd, name, path, overwrite, 0, 0);
}

int openFolder(const std::string& path, BVError* error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) BVSetError(error, BVError::fromErrno(errno, path));
    return fd;
}

}  // namespace BVAgentTreeRemover
