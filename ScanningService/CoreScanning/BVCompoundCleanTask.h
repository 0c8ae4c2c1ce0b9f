// BVCompoundCleanTask: runs clean tasks one after another and collects all their results.
// A cancellation between tasks stops before the next one. One `perform`, on one thread.
#pragma once

#include "Foundation/BVCompoundProgress.h"
#include "ScanningService/CoreScanning/BVCleanTask.h"

class BVCompoundCleanTask : public BVCleanTask {
public:
    explicit BVCompoundCleanTask(std::vector<BVCleanTaskPtr> tasks);

    std::vector<BVRemovalDependencyPtr> dependencies() override;
    uint64_t remainingSize() const override;
    std::vector<BVEntityPtr> models() const override;
    void setDelegate(std::weak_ptr<BVCleanTaskDelegate> delegate) override;
    BVProgressPtr progress() const override { return progress_; }
    BVCleanTaskResultPtr perform() override;
    const std::vector<BVCleanTaskPtr>& tasks() const { return tasks_; }

private:
    std::vector<BVCleanTaskPtr> tasks_;
    std::shared_ptr<BVCompoundProgress> progress_;
};
