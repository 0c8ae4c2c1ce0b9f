// Removal dependencies: conditions that must hold before an entity may be removed (an
// application that uses it must not be running), and the fetcher that computes an entity's
// dependencies once. A dependency is fulfilled from the thread that saw the application quit
// and read by the clean worker, so its flag is atomic.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVThreadSafety.h"

class BVRemovalDependency {
public:
    static std::shared_ptr<BVRemovalDependency> dependencyOnApplication(std::string bundleID);
    explicit BVRemovalDependency(std::string bundleID) : applicationBundleID_(std::move(bundleID)) {}

    bool isFulfilled() const { return fulfilled_.load(); }
    void fulfill() { fulfilled_.store(true); }
    const std::string& applicationBundleID() const { return applicationBundleID_; }

    bool isEqual(const BVRemovalDependency& other) const {
        return other.isFulfilled() == isFulfilled() && other.applicationBundleID_ == applicationBundleID_;
    }
    size_t hash() const { return std::hash<std::string>{}(applicationBundleID_) ^ size_t(isFulfilled()); }

private:
    std::atomic<bool> fulfilled_{false};
    std::string applicationBundleID_;
};

class BVRemovalDependenciesFetcher {
public:
    using Block = std::function<std::vector<std::shared_ptr<BVRemovalDependency>>()>;
    static std::shared_ptr<BVRemovalDependenciesFetcher> fetcherWithBlock(Block block);
    static std::shared_ptr<BVRemovalDependenciesFetcher> fetcherWithBundleIDs(const std::vector<std::string>& bundleIDs);
    explicit BVRemovalDependenciesFetcher(Block block) : block_(std::move(block)) {}

    // Calls the block on first use and keeps its answer.
    std::vector<std::shared_ptr<BVRemovalDependency>> dependencies();

private:
    Block block_;
    BVMutex mutex_;
    std::optional<std::vector<std::shared_ptr<BVRemovalDependency>>> dependencies_ BV_GUARDED_BY(mutex_);
};
