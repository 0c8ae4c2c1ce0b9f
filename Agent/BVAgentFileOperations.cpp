#include "Agent/BVAgentFileOperations.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "Foundation/BVSafeResolver.h"
#include "Foundation/BVTreeRemoval.h"
#include "Foundation/QLFileSizer.h"
#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

using Access = BVAgentPathPolicy::Access;

BVArray BVAgentOk(bool ok, const std::optional<BVError>& error) {
    return {BVValue(ok), error ? BVAgentProtocol::encodeError(*error) : BVValue()};
}

BVArray BVAgentFailure(const BVError& error) { return BVAgentOk(false, error); }

namespace {

// A canonical folder opened again with no link followed: a link swapped in since the path was
// canonicalised and checked fails the open instead of being followed.
struct Folder {
    BVFileIdentity identity;  // before `fd`, which fills it in
    BVFd fd;
    explicit Folder(const std::string& path, BVError* error)
        : fd(BVSafeResolver::openCanonicalFolder(path, O_PATH, &identity, error)) {}
};

}  // namespace

BVAgentFileOperations::BVAgentFileOperations(const BVAgentPathPolicy& policy, std::string trashFolder)
    : policy_(policy), trashFolder_(std::move(trashFolder)) {}

BVArray BVAgentFileOperations::fileExists(const std::string& path) const {
    BVError error;
    auto p = policy_.canonicalize(path, Access::Read, &error);
    if (!p) return error.domain() == BVPOSIXErrorDomain && error.code() == ENOENT ? BVAgentOk(false) : BVAgentFailure(error);
    Folder parent(p->parent, &error);
    if (!parent.fd) {
        int e = error.posixCode();
        return e == ENOENT || e == ENOTDIR ? BVAgentOk(false) : BVAgentFailure(error);
    }
    if (BVIdentityAt(parent.fd.get(), p->name.c_str())) return BVAgentOk(true);
    if (errno == ENOENT || errno == ENOTDIR) return BVAgentOk(false);
    return BVAgentFailure(BVError::fromErrno(errno, path));
}

BVArray BVAgentFileOperations::rename(const BVAgentPath& source, const BVAgentPath& destination) const {
    BVError error;
    Folder from(source.parent, &error);
    if (!from.fd) return BVAgentFailure(error);
    Folder to(destination.parent, &error);
    if (!to.fd) return BVAgentFailure(error);
    // Never replaces what is already at the destination.
    if (::renameat2(from.fd.get(), source.name.c_str(), to.fd.get(), destination.name.c_str(), RENAME_NOREPLACE) != 0)
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
    if (!parent.fd) return BVAgentFailure(error);
    BVRemovalRequest request{securely ? BVRemovalMode::Erase : BVRemovalMode::Delete, std::nullopt, nullptr};
    BVRemovalOutcome outcome;
    if (!BVTreeRemoval::removeChild(parent.fd.get(), parent.identity, p->parent, p->name, request, outcome, &error))
        return BVAgentFailure(error);
    return BVAgentOk(true);
}

std::optional<BVError> BVAgentFileOperations::removeContents(const std::string& folder) const {
    BVError error;
    Folder parent(folder, &error);
    if (!parent.fd) return error;
    int readable = ::openat(parent.fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = readable >= 0 ? ::fdopendir(readable) : nullptr;
    if (!listing) {
        if (readable >= 0) ::close(readable);
        return BVError::fromErrno(errno, folder);
    }
    std::vector<std::string> children;
    while (dirent* entry = ::readdir(listing))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) children.emplace_back(entry->d_name);
    ::closedir(listing);
    std::optional<BVError> first;
    for (const auto& child : children) {
        BVError failure;
        BVRemovalOutcome outcome;
        if (!BVTreeRemoval::removeChild(parent.fd.get(), parent.identity, folder, child, {}, outcome, &failure) && !first)
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
    if (!parent.fd) return BVAgentFailure(error);
    // A regular file only (never a device, a pipe or a socket); one with other hard links loses
    // this name instead of its content.
    BVRemovalOutcome outcome;
    if (!BVTreeRemoval::emptyChild(parent.fd.get(), parent.identity, p->parent, p->name, {}, outcome, &error))
        return BVAgentFailure(error);
    return BVAgentOk(true);
}

BVArray BVAgentFileOperations::size(const std::string& path) const {
    BVError error;
    auto p = policy_.canonicalize(path, Access::Read, &error);
    if (!p) return {BVValue(int64_t(0)), BVAgentProtocol::encodeError(error)};
    Folder parent(p->parent, &error);
    if (!parent.fd) return {BVValue(int64_t(0)), BVAgentProtocol::encodeError(error)};
    if (!BVIdentityAt(parent.fd.get(), p->name.c_str()))
        return {BVValue(int64_t(0)), BVAgentProtocol::encodeError(BVError::fromErrno(errno, p->full))};
    return {BVValue(int64_t(QLFileSizer::itemSizeInFolder(parent.fd.get(), parent.identity, p->parent, p->name))), BVValue()};
}
