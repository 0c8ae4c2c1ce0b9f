// BVModelCleanTask: removes a list of entities in order. An entity whose removal dependencies
// are not all fulfilled (an application that uses it still runs) is not removed and gets a
// failed result (BVEntityErrorDomain, -12). A cancellation stops before the next entity.
// One `perform` per task, on one thread; `dependencies` may be read from any thread.
#pragma once

#include <mutex>
#include <optional>

#include "Foundation/BVComputableProgress.h"
#include "ScanningService/CoreScanning/BVCleanTask.h"

inline constexpr int64_t BVEntityErrorDependantApplication = -12;

class BVModelCleanTask : public BVCleanTask {
public:
    explicit BVModelCleanTask(std::vector<BVEntityPtr> models);

    std::vector<BVRemovalDependencyPtr> dependencies() override;
    uint64_t remainingSize() const override;
    std::vector<BVEntityPtr> models() const override { return models_; }
    void setDelegate(std::weak_ptr<BVCleanTaskDelegate> delegate) override { delegate_ = std::move(delegate); }
    BVProgressPtr progress() const override { return progress_; }
    BVCleanTaskResultPtr perform() override;

    // The error of an entity left in place because of an unfulfilled dependency.
    static BVError dependencyError(const BVEntityPtr& entity);

private:
    std::weak_ptr<BVCleanTaskDelegate> delegate_;
    std::vector<BVEntityPtr> models_;
    std::shared_ptr<BVComputableProgress> progress_;
    std::mutex mutex_;
    std::optional<std::vector<BVRemovalDependencyPtr>> dependencies_;
};
