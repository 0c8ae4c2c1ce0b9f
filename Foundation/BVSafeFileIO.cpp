#include "Foundation/BVSafeFileIO.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "Foundation/BVFd.h"
#include "Foundation/BVFileIO.h"
#include "Foundation/BVSafeResolver.h"

namespace BVSafeFileIO {

bool readFile(const BVSafeResolver& resolver, const std::string& path, std::string& contents, size_t maximumBytes,
              BVError* error) {
    auto normal = BVSafeResolver::candidatePath(path, error);
    if (!normal) return false;
    BVFd folder = resolver.openFolder(BVFileIO::parentPath(*normal), O_PATH, nullptr, error);
    if (!folder) return false;
    BVFd fd(::openat(folder.get(), BVFileIO::lastPathComponent(*normal).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        BVSetError(error, BVError::fromErrno(errno, *normal));
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        BVSetError(error, BVError::fromErrno(EINVAL, *normal, "not a regular file"));
        return false;
    }
    contents.clear();
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            BVSetError(error, BVError::fromErrno(errno, *normal));
            return false;
        }
        if (n == 0) return true;
        if (contents.size() + size_t(n) > maximumBytes) {
            BVSetError(error, BVError::fromErrno(EFBIG, *normal, "larger than " + std::to_string(maximumBytes) + " bytes"));
            return false;
        }
        contents.append(buffer, size_t(n));
    }
}

bool writeFileAtomically(const BVSafeResolver& resolver, const std::string& path, const std::string& contents,
                         BVError* error) {
    auto normal = BVSafeResolver::candidatePath(path, error);
    if (!normal) return false;
    std::string folderPath = BVFileIO::parentPath(*normal);
    BVError openError;
    BVFd folder = resolver.openFolder(folderPath, O_RDONLY, nullptr, &openError);
    if (!folder && openError.posixCode() == ENOENT) {
        BVFd above = resolver.openFolder(BVFileIO::parentPath(folderPath), O_RDONLY, nullptr, error);
        if (!above) return false;
        if (::mkdirat(above.get(), BVFileIO::lastPathComponent(folderPath).c_str(), 0755) != 0 && errno != EEXIST) {
            BVSetError(error, BVError::fromErrno(errno, folderPath));
            return false;
        }
        folder = resolver.openFolder(folderPath, O_RDONLY, nullptr, &openError);
    }
    if (!folder) {
        BVSetError(error, openError);
        return false;
    }
    std::string name = BVFileIO::lastPathComponent(*normal);
    std::string temporary = "." + name + ".brenvik-" + std::to_string(std::random_device{}());
    BVFd fd(::openat(folder.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd) {
        BVSetError(error, BVError::fromErrno(errno, BVFileIO::appendPathComponent(folderPath, temporary)));
        return false;
    }
    size_t done = 0;
    while (done < contents.size()) {
        ssize_t n = ::write(fd.get(), contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            BVSetError(error, BVError::fromErrno(errno ? errno : EIO, *normal));
            ::unlinkat(folder.get(), temporary.c_str(), 0);
            return false;
        }
        done += size_t(n);
    }
    if (::fsync(fd.get()) != 0 || ::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) != 0) {
        BVSetError(error, BVError::fromErrno(errno, *normal));
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        return false;
    }
    return true;
}

bool isImmutable(const BVSafeResolver& resolver, const std::string& path) {
    auto normal = BVSafeResolver::candidatePath(path, nullptr);
    if (!normal) return false;
    BVFd folder = resolver.openFolder(BVFileIO::parentPath(*normal), O_PATH, nullptr, nullptr);
    if (!folder) return false;
    BVFd fd(::openat(folder.get(), BVFileIO::lastPathComponent(*normal).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    int flags = 0;
    return fd && ::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_IMMUTABLE_FL);
}

}  // namespace BVSafeFileIO
