#include "Foundation/BVSafeResolver.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "Foundation/BVFileIO.h"
#include "Foundation/BVPaths.h"

namespace {

// Whether this kernel answers openat2: -1 not known yet, 0 no (too old, or refused by a
// sandbox's system-call filter), 1 yes. A fact about the kernel, learnt once per process;
// BRENVIK_RESOLVE_BY_COMPONENTS=1 makes a process take the component walk throughout (so the
// walk is tested end to end on kernels that have openat2).
std::atomic<int>& openat2Available() {
    static std::atomic<int> state{std::getenv("BRENVIK_RESOLVE_BY_COMPONENTS") ? 0 : -1};
    return state;
}

std::vector<std::string> splitNames(const std::string& relative) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        if (end > start) names.push_back(relative.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

}  // namespace

BVSafeResolver::BVSafeResolver(const BVPaths& paths, Method method)
    : BVSafeResolver(paths.anchorFolders(), paths.volumeFolders(), method) {}

BVSafeResolver::BVSafeResolver(std::vector<std::string> anchors, std::vector<std::string> volumeFolders, Method method)
    : anchors_(std::move(anchors)), volumeFolders_(std::move(volumeFolders)), method_(method) {
    anchors_.push_back("/");
    anchors_.insert(anchors_.end(), volumeFolders_.begin(), volumeFolders_.end());
    for (auto& a : anchors_)
        if (auto normal = BVFileIO::lexicallyNormalPath(a)) a = *normal;
    for (auto& v : volumeFolders_)
        if (auto normal = BVFileIO::lexicallyNormalPath(v)) v = *normal;
}

std::shared_ptr<const BVSafeResolver> BVSafeResolver::standard() {
    // Holds the paths it belongs to, however long the caller keeps it.
    auto paths = BVPaths::sharedInstance();
    return std::shared_ptr<const BVSafeResolver>(paths, &paths->resolver());
}

std::optional<std::string> BVSafeResolver::candidatePath(const std::string& path, BVError* error) {
    auto invalid = [&](const char* why) {
        BVSetError(error, BVError::fromErrno(EINVAL, path, why));
        return std::nullopt;
    };
    if (path.empty() || path[0] != '/') return invalid("not an absolute path");
    if (path.find('\0') != std::string::npos) return invalid("not a valid path");
    std::string out;
    for (const auto& name : splitNames(path)) {
        if (name == ".") continue;
        if (name == "..") return invalid("a path with \"..\" in it is not followed");
        out += "/" + name;
    }
    return out.empty() ? std::string("/") : out;
}

std::string BVSafeResolver::anchorFor(const std::string& path) const {
    std::string best = "/";
    for (const auto& a : anchors_)
        if (a.size() > best.size() && (path == a || BVFileIO::isPathInside(path, a))) best = a;
    // Below a volume folder, each volume's own folder is where that volume starts.
    for (const auto& v : volumeFolders_) {
        if (v.size() < best.size() || !BVFileIO::isPathInside(path, v)) continue;
        size_t end = path.find('/', v.size() + 1);
        best = path.substr(0, end);
    }
    return best;
}

BVFd BVSafeResolver::openFolder(const std::string& path, int flags, BVFileIdentity* identity, BVError* error) const {
    auto normal = candidatePath(path, error);
    if (!normal) return {};
    std::string anchor = anchorFor(*normal);
    BVFd anchorFd(::open(anchor.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!anchorFd) {
        BVSetError(error, BVError::fromErrno(errno, anchor == *normal ? path : anchor));
        return {};
    }
    auto anchorIdentity = BVIdentityAt(anchorFd.get(), "");
    if (!anchorIdentity) {
        BVSetError(error, BVError::fromErrno(errno, anchor));
        return {};
    }
    std::string relative = normal->substr(anchor == "/" ? 1 : anchor.size());
    if (!relative.empty() && relative[0] == '/') relative.erase(0, 1);
    if (!relative.empty()) return openBeneath(anchorFd.get(), *anchorIdentity, anchor, relative, flags, identity, error);
    if (identity) *identity = *anchorIdentity;
    if ((flags & O_PATH) != 0) return anchorFd;
    BVFd reopened(::openat(anchorFd.get(), ".", flags | O_DIRECTORY | O_CLOEXEC));
    if (!reopened) BVSetError(error, BVError::fromErrno(errno, path));
    return reopened;
}

BVFd BVSafeResolver::openBeneath(int folderFd, const BVFileIdentity& folder, const std::string& folderPath,
                                 const std::string& relative, int flags, BVFileIdentity* identity, BVError* error) const {
    if (method_ == Method::Automatic && openat2Available().load() != 0 && relative.size() < PATH_MAX) {
        struct open_how how {};
        how.flags = uint64_t(flags | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV | RESOLVE_BENEATH;
        long fd = ::syscall(SYS_openat2, folderFd, relative.c_str(), &how, sizeof how);
        if (fd >= 0) {
            openat2Available().store(1);
            BVFd opened{int(fd)};
            if (!identity) return opened;  // the kernel kept it on the folder's mount already
            auto id = BVIdentityAt(opened.get(), "");
            if (!id) {
                BVSetError(error, BVError::fromErrno(errno, BVFileIO::appendPathComponent(folderPath, relative)));
                return {};
            }
            *identity = *id;
            return opened;
        }
        int failure = errno;
        if (failure == ENOSYS || failure == EPERM || failure == E2BIG) {
            openat2Available().store(0);
        } else if (failure != ELOOP && failure != EXDEV && failure != ENOTDIR) {
            BVSetError(error, BVError::fromErrno(failure, BVFileIO::appendPathComponent(folderPath, relative)));
            return {};
        }
        // A link or a mount refused (a link as the last name shows as ENOTDIR): the walk below
        // names which component it was and refuses it the same way, or opens the folder if
        // the link or mount has just gone.
    }
    return walkComponents(folderFd, folder, folderPath, relative, flags, identity, error);
}

BVFd BVSafeResolver::walkComponents(int folderFd, const BVFileIdentity& folder, const std::string& folderPath,
                                    const std::string& relative, int flags, BVFileIdentity* identity,
                                    BVError* error) const {
    auto names = splitNames(relative);
    std::string fullPath = BVFileIO::appendPathComponent(folderPath, relative);
    std::string reached = folderPath;
    BVFd current;
    int at = folderFd;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        reached = BVFileIO::appendPathComponent(reached, name);
        if (name == "." || name == "..") {
            BVSetError(error, BVError::fromErrno(EINVAL, fullPath, "a path with \"..\" in it is not followed"));
            return {};
        }
        bool last = i + 1 == names.size();
        int openFlags = (last ? flags : O_PATH) | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        BVFd next(::openat(at, name.c_str(), openFlags));
        if (!next) {
            int failure = errno;
            struct stat st {};
            if ((failure == ENOTDIR || failure == ELOOP) && ::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode)) {
                BVSetError(error, BVLinkRefusal(fullPath, reached));
            } else {
                BVSetError(error, BVError::fromErrno(failure == ELOOP ? ENOTDIR : failure, fullPath));
            }
            return {};
        }
        auto id = BVIdentityAt(next.get(), "");
        if (!id) {
            BVSetError(error, BVError::fromErrno(errno, fullPath));
            return {};
        }
        if (id->isOtherMountThan(folder)) {
            BVSetError(error, BVMountRefusal(fullPath, reached));
            return {};
        }
        if (last && identity) *identity = *id;
        current = std::move(next);
        at = current.get();
    }
    if (!current) {  // nothing below the folder was named: the folder itself
        current.reset(::openat(folderFd, ".", flags | O_DIRECTORY | O_CLOEXEC));
        if (!current) BVSetError(error, BVError::fromErrno(errno, fullPath));
        else if (identity) *identity = folder;
    }
    return current;
}

BVFd BVSafeResolver::openCanonicalFolder(const std::string& path, int flags, BVFileIdentity* identity, BVError* error) {
    auto normal = candidatePath(path, error);
    if (!normal) return {};
    BVFd fd;
    if (openat2Available().load() != 0) {
        struct open_how how {};
        how.flags = uint64_t(flags | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        how.resolve = RESOLVE_NO_SYMLINKS;
        long r = ::syscall(SYS_openat2, AT_FDCWD, normal->c_str(), &how, sizeof how);
        if (r >= 0) {
            openat2Available().store(1);
            fd.reset(int(r));
        } else if (errno == ENOSYS || errno == EPERM || errno == E2BIG) {
            openat2Available().store(0);
        } else {
            int e = errno;
            BVSetError(error, e == ELOOP ? BVLinkRefusal(path, path) : BVError::fromErrno(e, path));
            return {};
        }
    }
    if (!fd) {
        // One component at a time, none followed.
        fd.reset(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
        auto names = splitNames(*normal);
        for (size_t i = 0; fd && i < names.size(); ++i) {
            bool last = i + 1 == names.size();
            fd.reset(::openat(fd.get(), names[i].c_str(), (last ? flags : O_PATH) | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        }
        if (!fd) {
            int e = errno;
            BVSetError(error, e == ELOOP || e == ENOTDIR ? BVLinkRefusal(path, path) : BVError::fromErrno(e, path));
            return {};
        }
        if (names.empty() && (flags & O_PATH) == 0) fd.reset(::open("/", flags | O_DIRECTORY | O_CLOEXEC));
    }
    auto id = BVIdentityAt(fd.get(), "");
    if (!id) {
        BVSetError(error, BVError::fromErrno(errno, path));
        return {};
    }
    if (identity) *identity = *id;
    return fd;
}
