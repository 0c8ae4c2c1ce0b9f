#include "Agent/BVAgentFileOperations.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "Foundation/BVTreeRemoval.h"
#include "Foundation/QLFileSizer.h"
#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

using Access = BVAgentPathPolicy::Access;

BVArray BVAgentOk(bool ok, const std::optional<BVError>& error) {
    return {BVValue(ok), error ? BVAgentProtocol::encodeError(*error) : BVValue()};
}

BVArray BVAgentFailure(const BVError& error) { return BVAgentOk(false, error); }

namespace {

// A folder descriptor closed at the end of the scope.
struct Folder {
    int fd;
    // `path` is resolved already; its last component is not followed.
    explicit Folder(const std::string& path, BVError* error)
        : fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) {
        if (fd < 0) BVSetError(error, BVError::fromErrno(errno, path));
    }
    ~Folder() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

BVAgentFileOperations::BVAgentFileOperations(const BVAgentPathPolicy& policy, std::string trashFolder)
    : policy_(policy), trashFolder_(std::move(trashFolder)) {}

BVArray BVAgentFileOperations::fileExists(const std::string& path) const {
    BVError error;
    auto p = policy_.canonicalize(path, Access::Read, &error);
    if (!p) return error.domain() == BVPOSIXErrorDomain && error.code() == ENOENT ? BVAgentOk(false) : BVAgentFailure(error);
    struct stat st;
    if (::lstat(p->full.c_str(), &st) == 0) return BVAgentOk(true);
    if (errno == ENOENT || errno == ENOTDIR) return BVAgentOk(false);
    return BVAgentFailure(BVError::fromErrno(errno, path));
}

BVArray BVAgentFileOperations::rename(const BVAgentPath& source, const BVAgentPath& destination) const {
    BVError error;
    Folder from(source.parent, &error);
    if (from.fd < 0) return BVAgentFailure(error);
    Folder to(destination.parent, &error);
    if (to.fd < 0) return BVAgentFailure(error);
    // Never replaces what is already at the destination.
    if (::renameat2(from.fd, source.name.c_str(), to.fd, destination.name.c_str(), RENAME_NOREPLACE) != 0)
        return BVAgentFailure(BVError::fromErrno(errno, source.full));
    return BVAgentOk(true);
}

BVArray BVAgentFileOperations::move(const std::string& source, const std::string& destination) const {
    BVError error;
    auto from = policy_.canonicalize(source, Access::Modify, &error);
    if (!from) return BVAgentFailure(error);
    auto to = policy_.canonicalize(destination, Access::Modify, &error);
    if (!to) return BVAgentFailure(error);
    return rename(*from, *to);
}

BVArray BVAgentFileOperations::remove(const std::string& path, bool securely) const {
    BVError error;
    auto p = policy_.canonicalize(path, Access::Modify, &error);
    if (!p) return BVAgentFailure(error);
    Folder parent(p->parent, &error);
    if (parent.fd < 0) return BVAgentFailure(error);
    auto mode = securely ? BVTreeRemoval::Mode::Erase : BVTreeRemoval::Mode::Delete;
    if (!BVTreeRemoval::removeItemAt(parent.fd, p->name, p->full, mode, &error)) return BVAgentFailure(error);
    return BVAgentOk(true);
}

std::optional<BVError> BVAgentFileOperations::removeContents(const std::string& folder) const {
    BVError error;
    Folder parent(folder, &error);
    if (parent.fd < 0) return error;
    DIR* listing = ::fdopendir(::dup(parent.fd));
    if (!listing) return BVError::fromErrno(errno, folder);
    std::vector<std::string> children;
    while (dirent* entry = ::readdir(listing))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) children.emplace_back(entry->d_name);
    ::closedir(listing);
    std::optional<BVError> first;
    for (const auto& child : children) {
        BVError failure;
        if (!BVTreeRemoval::removeItemAt(parent.fd, child, folder + "/" + child, BVTreeRemoval::Mode::Delete, &failure) && !first)
            first = failure;
    }
    return first;
}

BVArray BVAgentFileOperations::moveToTrash(const std::string& path) const {
    BVError error;
    auto p = policy_.canonicalize(path, Access::Modify, &error);
    if (!p) return BVAgentFailure(error);
    struct stat st;
    if (trashFolder_.empty() || ::stat(trashFolder_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return BVAgentFailure(BVAgentProtocol::makeError(BVPrivilegedAgentErrorUnsupported,
                                                         path + ": the user's trash folder does not exist."));
    auto trash = policy_.canonicalize(trashFolder_ + "/" + p->name, Access::Modify, &error);
    if (!trash) return BVAgentFailure(error);
    for (int n = 1; n < 1000; ++n) {
        BVAgentPath target = *trash;
        if (n > 1) {
            target.name = p->name + " " + std::to_string(n);
            target.full = target.parent + "/" + target.name;
        }
        BVArray reply = rename(*p, target);
        auto failure = BVAgentProtocol::decodeError(reply[1]);
        if (!failure || failure->code() != EEXIST) return reply;
    }
    return BVAgentFailure(BVError::fromErrno(EEXIST, path));
}

BVArray BVAgentFileOperations::truncate(const std::string& path) const {
    BVError error;
    auto p = policy_.canonicalize(path, Access::Modify, &error);
    if (!p) return BVAgentFailure(error);
    Folder parent(p->parent, &error);
    if (parent.fd < 0) return BVAgentFailure(error);
    int fd = ::openat(parent.fd, p->name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return BVAgentFailure(BVError::fromErrno(errno, p->full));
    struct stat st;
    int failure = 0;
    if (::fstat(fd, &st) != 0) failure = errno;
    else if (!S_ISREG(st.st_mode)) failure = EINVAL;  // never a device, a pipe or a socket
    else if (::ftruncate(fd, 0) != 0) failure = errno;
    ::close(fd);
    return failure ? BVAgentFailure(BVError::fromErrno(failure, p->full)) : BVAgentOk(true);
}

BVArray BVAgentFileOperations::size(const std::string& path) const {
    BVError error;
    auto p = policy_.canonicalize(path, Access::Read, &error);
    struct stat st;
    if (p && ::lstat(p->full.c_str(), &st) != 0) error = BVError::fromErrno(errno, p->full), p.reset();
    if (!p) return {BVValue(int64_t(0)), BVAgentProtocol::encodeError(error)};
    return {BVValue(int64_t(QLFileSizer::itemSizeAtPath(p->full))), BVValue()};
}
