#include "ScanningService/CoreScanning/BVRemovalDependency.h"

std::shared_ptr<BVRemovalDependency> BVRemovalDependency::dependencyOnApplication(std::string bundleID) {
    return std::make_shared<BVRemovalDependency>(std::move(bundleID));
}

std::shared_ptr<BVRemovalDependenciesFetcher> BVRemovalDependenciesFetcher::fetcherWithBlock(Block block) {
    return std::make_shared<BVRemovalDependenciesFetcher>(std::move(block));
}

std::shared_ptr<BVRemovalDependenciesFetcher> BVRemovalDependenciesFetcher::fetcherWithBundleIDs(
    const std::vector<std::string>& bundleIDs) {
    return fetcherWithBlock([bundleIDs] {
        std::vector<std::shared_ptr<BVRemovalDependency>> out;
        for (const auto& id : bundleIDs) out.push_back(BVRemovalDependency::dependencyOnApplication(id));
        return out;
    });
}

std::vector<std::shared_ptr<BVRemovalDependency>> BVRemovalDependenciesFetcher::dependencies() {
    BVLockGuard lock(mutex_);
    if (!dependencies_) dependencies_ = block_ ? block_() : std::vector<std::shared_ptr<BVRemovalDependency>>{};
    return *dependencies_;
}
