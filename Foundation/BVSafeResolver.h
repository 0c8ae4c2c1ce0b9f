// BVSafeResolver: reaches a candidate's folder as an open descriptor without trusting the path.
//
// A path is split at its anchor, the deepest trusted folder above it (BVPaths::anchorFolders:
// the home, "/", the layout's root folders; below a volume folder, the volume's own folder).
// The anchor is opened as the system names it; every component below it is opened from its
// parent's descriptor with openat2 (RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV | RESOLVE_BENEATH),
// or, where the kernel refuses openat2, one component at a time with O_NOFOLLOW and a check of
// each folder's mount. So a link anywhere below the anchor, a mount crossed on the way (bind
// mounts of the same file system included) or a ".." component stops the resolution with an
// error that names the culprit; nothing is ever reached through them. Callers then act on
// names relative to the opened folder, so no path string is resolved twice between a check and
// the act.
//
// Immutable after construction; safe from any thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVError.h"
#include "Foundation/BVFd.h"
#include "Foundation/BVFileIdentity.h"

class BVPaths;

class BVSafeResolver {
public:
    enum class Method {
        Automatic,      // openat2, and the component walk where the kernel refuses it
        ComponentWalk,  // always the component walk (tests exercise it this way)
    };

    explicit BVSafeResolver(const BVPaths& paths, Method method = Method::Automatic);
    BVSafeResolver(std::vector<std::string> anchors, std::vector<std::string> volumeFolders,
                   Method method = Method::Automatic);
    // The resolver of the process-wide paths as they are now.
    static std::shared_ptr<const BVSafeResolver> standard();

    // Opens the folder `path` names, with `flags` (O_PATH to act on names in it, O_RDONLY to read
    // it; O_DIRECTORY and O_CLOEXEC are added) and its identity in `identity`. An anchor is
    // opened as it is; any other folder must not be a link nor a mount point. Fails with the
    // errno in `error`: EINVAL (not absolute, a "." or ".." component), ELOOP (a link on the
    // way), EXDEV (a mount on the way), ENOENT, ENOTDIR, EACCES.
    BVFd openFolder(const std::string& path, int flags, BVFileIdentity* identity, BVError* error) const;

    // Opens `relative` (names joined by "/") below the open folder `folderFd`, whose identity
    // is `folder`, with the same rules. `folderPath` names the folder in errors.
    BVFd openBeneath(int folderFd, const BVFileIdentity& folder, const std::string& folderPath,
                     const std::string& relative, int flags, BVFileIdentity* identity, BVError* error) const;

    // Opens an absolute folder path that must hold no link at all, from "/" (mounts on the way
    // are allowed): for a path that was canonicalised and checked already, so that a link put in
    // its place since fails the open (ELOOP) instead of being followed.
    static BVFd openCanonicalFolder(const std::string& path, int flags, BVFileIdentity* identity, BVError* error);

    // `path` without repeated slashes, "." components or a trailing slash; none (EINVAL in
    // `error`) when it is not absolute, names nothing or has a ".." component.
    static std::optional<std::string> candidatePath(const std::string& path, BVError* error);

    // The anchor `path` (a candidate path) is reached from.
    std::string anchorFor(const std::string& path) const;

private:
    BVFd walkComponents(int folderFd, const BVFileIdentity& folder, const std::string& folderPath,
                        const std::string& relative, int flags, BVFileIdentity* identity, BVError* error) const;

    std::vector<std::string> anchors_;
    std::vector<std::string> volumeFolders_;
    Method method_;
};
