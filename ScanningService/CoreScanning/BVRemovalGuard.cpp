#include "ScanningService/CoreScanning/BVRemovalGuard.h"

bool BVRemovalGuard::recordIdentity(const std::string& path, const BVFileManager& fileManager) {
    auto id = fileManager.identityAtPath(path, nullptr);
    if (!id) return false;
    identities_[path] = *id;
    return true;
}

std::optional<BVFileIdentity> BVRemovalGuard::identity(const std::string& path) const {
    auto it = identities_.find(path);
    if (it == identities_.end()) return std::nullopt;
    return it->second;
}
