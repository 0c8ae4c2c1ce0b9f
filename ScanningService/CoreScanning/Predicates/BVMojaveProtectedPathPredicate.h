// BVMojaveProtectedPathPredicate: ignores paths inside the privacy-protected areas (photos,
// contacts, reminders, calendars) to which access is not granted, on system versions that
// have them (10.14 and later 10.x). The permission statuses are read once per predicate.
#pragma once

#include <optional>

#include "ScanningService/CoreScanning/Predicates/BVPredicate.h"

struct BVMojavePermissionPair {
    BVMojavePermissionPair(uint64_t type, std::vector<std::string> patterns);
    std::vector<std::string> patterns;
    uint64_t status;  // read from the permissions when the pair is made; 2 is granted
};

class BVMojaveProtectedPathPredicate : public BVPredicate {
public:
    unsigned supportedTypes() const override { return BVPredicateKindString | BVPredicateKindURL; }
    const std::vector<BVMojavePermissionPair>& pairs() const;

protected:
    bool evaluate(const BVPredicateCandidate& candidate) const override;

private:
    mutable std::optional<std::vector<BVMojavePermissionPair>> pairs_;
};
