#include "Agent/BVAgentPathPolicy.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "PrivilegedOperationsPerformer/BVAgentProtocol.h"

BVAgentPathPolicy::BVAgentPathPolicy(const BVPaths& paths) {
    // The real system's roots stay protected when a test root is set, and so do the test root's.
    BVPaths system(paths.layout(), paths.home());
    protected_ = system.protectedRoots();
    protected_.insert(protected_.end(), paths.protectedRoots().begin(), paths.protectedRoots().end());
    for (auto& p : std::vector<std::string>(protected_)) {
        char resolved[PATH_MAX];
        if (::realpath(p.c_str(), resolved)) protected_.emplace_back(resolved);
    }
}

bool BVAgentPathPolicy::isProtected(const std::string& path) const {
    for (const auto& root : protected_) {
        if (path == root) return true;
        // A folder that contains a protected root would take it along.
        if (path == "/" || (root.size() > path.size() && root.compare(0, path.size(), path) == 0 && root[path.size()] == '/'))
            return true;
    }
    return false;
}

std::optional<BVAgentPath> BVAgentPathPolicy::canonicalize(const std::string& path, Access access, BVError* error) const {
    auto refuse = [&](const std::string& why) {
        BVSetError(error, BVAgentProtocol::makeError(BVPrivilegedAgentErrorPathRefused, path + ": " + why));
        return std::nullopt;
    };
    if (path.empty() || path[0] != '/') return refuse("the path is not absolute.");
    if (path.find('\0') != std::string::npos || path.size() >= PATH_MAX) return refuse("the path is not valid.");
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    size_t slash = trimmed.rfind('/');
    std::string name = trimmed.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return refuse("the path names no item.");
    std::string parent = slash == 0 ? "/" : trimmed.substr(0, slash);
    char resolved[PATH_MAX];
    if (!::realpath(parent.c_str(), resolved)) {
        BVSetError(error, BVError::fromErrno(errno, path));
        return std::nullopt;
    }
    BVAgentPath out;
    out.parent = resolved;
    out.name = name;
    out.full = out.parent == "/" ? "/" + name : out.parent + "/" + name;
    if (access == Access::Modify && isProtected(out.full)) return refuse("the folder is protected and is never changed.");
    return out;
}
