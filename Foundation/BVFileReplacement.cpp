#include "Foundation/BVFileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "Foundation/BVFd.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVFileIdentity.h"
#include "Foundation/BVSafeResolver.h"

namespace {

// The folder of `path`, opened safely, and the file's name in it.
BVFd openParent(const BVSafeResolver& resolver, const std::string& path, std::string& name, BVError* error) {
    auto candidate = BVSafeResolver::candidatePath(path, error);
    if (!candidate) return BVFd();
    name = BVFileIO::lastPathComponent(*candidate);
    BVFileIdentity identity;
    return resolver.openFolder(BVFileIO::parentPath(*candidate), O_RDONLY, &identity, error);
}

bool statChild(int folder, const std::string& name, const std::string& path, struct stat& st, BVError* error) {
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        BVSetError(error, BVError::fromErrno(errno, path));
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        BVSetError(error, BVError::fromErrno(ELOOP, path, "is a symbolic link"));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        BVSetError(error, BVError::fromErrno(EINVAL, path, "is not a plain file"));
        return false;
    }
    return true;
}

bool writeAll(int fd, const std::string& contents) {
    size_t written = 0;
    while (written < contents.size()) {
        ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += size_t(n);
    }
    return true;
}

}  // namespace

namespace BVFileReplacement {

bool readFile(const BVSafeResolver& resolver, const std::string& path, std::string& contents, size_t maximumBytes,
              BVError* error) {
    std::string name;
    BVFd folder = openParent(resolver, path, name, error);
    if (!folder) return false;
    BVFd file(::openat(folder.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!file) {
        BVSetError(error, BVError::fromErrno(errno, path));
        return false;
    }
    struct stat st {};
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        BVSetError(error, BVError::fromErrno(EINVAL, path, "is not a plain file"));
        return false;
    }
    if (uint64_t(st.st_size) > maximumBytes) {
        BVSetError(error, BVError::fromErrno(EFBIG, path, "is too large to read"));
        return false;
    }
    contents.clear();
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            BVSetError(error, BVError::fromErrno(errno, path));
            return false;
        }
        if (n == 0) break;
        contents.append(buffer, size_t(n));
        if (contents.size() > maximumBytes) {
            BVSetError(error, BVError::fromErrno(EFBIG, path, "is too large to read"));
            return false;
        }
    }
    return true;
}

bool replaceFile(const BVSafeResolver& resolver, const std::string& path, const std::string& contents, BVError* error) {
    std::string name;
    BVFd folder = openParent(resolver, path, name, error);
    if (!folder) return false;
    struct stat before {};
    if (!statChild(folder.get(), name, path, before, error)) return false;
    if (before.st_nlink > 1) {
        BVSetError(error, BVError::fromErrno(EMLINK, path, "has other hard links, which would keep the old content"));
        return false;
    }
    std::random_device random;
    std::string temporary = "." + name + ".brenvik-" + std::to_string(random());
    BVFd file(::openat(folder.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       before.st_mode & 07777));
    if (!file) {
        BVSetError(error, BVError::fromErrno(errno, BVFileIO::appendPathComponent(BVFileIO::parentPath(path), temporary)));
        return false;
    }
    auto discard = [&](int code, const std::string& what) {
        file.reset();
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        BVSetError(error, BVError::fromErrno(code, path, what));
        return false;
    };
    // The mode given at creation is narrowed by the umask; the old file's mode is what it keeps.
    if (::fchmod(file.get(), before.st_mode & 07777) != 0) return discard(errno, "cannot keep its permissions");
    if (::geteuid() == 0 && ::fchown(file.get(), before.st_uid, before.st_gid) != 0) return discard(errno, "cannot keep its owner");
    if (!writeAll(file.get(), contents)) return discard(errno, "cannot write its new content");
    if (::fsync(file.get()) != 0) return discard(errno, "cannot flush its new content");
    struct stat now {};
    if (!statChild(folder.get(), name, path, now, error)) return discard(ENOENT, "vanished while it was rewritten");
    if (now.st_dev != before.st_dev || now.st_ino != before.st_ino) return discard(ESTALE, "was replaced while it was rewritten");
    if (::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) != 0) return discard(errno, "cannot be replaced");
    file.reset();
    ::fsync(folder.get());
    return true;
}

}  // namespace BVFileReplacement
