#include "ScanningService/CoreScanning/Predicates/BVMojaveProtectedPathPredicate.h"

#include "Foundation/BVSystemVersion.h"
#include "Foundation/QLAccessPermissions.h"

BVMojavePermissionPair::BVMojavePermissionPair(uint64_t type, std::vector<std::string> p)
    : patterns(std::move(p)), status(QLAccessPermissions::authorizationStatusForPermissionType(type)) {}

const std::vector<BVMojavePermissionPair>& BVMojaveProtectedPathPredicate::pairs() const {
    if (!pairs_) {
        pairs_ = std::vector<BVMojavePermissionPair>{
            {3, {"com.apple.Photos"}},
            {2, {"com.apple.AddressBook", "Library/Application Support/AddressBook"}},
            {1, {"com.apple.reminders"}},
            {0, {"Library/Calendars"}},
        };
    }
    return *pairs_;
}

bool BVMojaveProtectedPathPredicate::evaluate(const BVPredicateCandidate& candidate) const {
    auto version = BVSystemVersion::current();
    if (version.majorVersion != 10 || version.minorVersion < 14) return false;
    std::string path = BVCandidatePath(candidate);
    if (path.empty()) return false;
    for (const auto& pair : pairs()) {
        if (pair.status == QLAccessPermissions::kGranted) continue;
        for (const auto& pattern : pair.patterns)
            if (path.find(pattern) != std::string::npos) return true;
    }
    return false;
}
