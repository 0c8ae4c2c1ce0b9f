// BVModelProlongedCleanTask: wraps a clean task so that the clean lasts at least a minimum
// duration (2 seconds by default, 0 when the environment turns human-friendly delays off),
// with a fake part of the progress that fills linearly over that time. The fake progress is
// driven on the task's serial internal queue, which also holds the pause and cancel flags;
// `perform` blocks its thread in short sleeps until the fake progress is done.
#pragma once

#include <chrono>

#include "Foundation/BVCompoundProgress.h"
#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVDispatchQueue.h"
#include "ScanningService/CoreScanning/BVCleanTask.h"

class BVModelProlongedCleanTask : public BVCleanTask, public std::enable_shared_from_this<BVModelProlongedCleanTask> {
public:
    explicit BVModelProlongedCleanTask(BVCleanTaskPtr task, double minimumDuration = 2.0);

    std::vector<BVRemovalDependencyPtr> dependencies() override { return originalTask_->dependencies(); }
    uint64_t remainingSize() const override { return originalTask_->remainingSize(); }
    std::vector<BVEntityPtr> models() const override { return originalTask_->models(); }
    void setDelegate(std::weak_ptr<BVCleanTaskDelegate> delegate) override { originalTask_->setDelegate(std::move(delegate)); }
    BVProgressPtr progress() const override { return progress_; }
    BVCleanTaskResultPtr perform() override;

    double minimumDuration() const { return minimumDuration_; }
    uint64_t fakeUnitsCount() const { return fakeUnitsCount_; }
    const std::shared_ptr<BVComputableProgress>& fakeProgress() const { return fakeProgress_; }
    static constexpr double fakeProgressUpdateInterval = 0.05;

private:
    void fakeProgressStep(std::chrono::steady_clock::time_point start);
    bool performingFakeProgress();

    // Touched only on internalQueue_. Shared with the progress callbacks, which may outlive
    // the task when someone else still holds its progress.
    struct FakeState {
        bool originalProgressWasCancelled = false;
        bool originalProgressPaused = false;
        bool performingFakeProgress = false;
        uint64_t unprocessedFakeUnitsCount = 0;
    };
    std::shared_ptr<FakeState> state_ = std::make_shared<FakeState>();

    BVCleanTaskPtr originalTask_;
    std::shared_ptr<BVCompoundProgress> progress_;
    std::shared_ptr<BVComputableProgress> fakeProgress_;
    double minimumDuration_;
    uint64_t fakeUnitsCount_;
    BVDispatchQueuePtr internalQueue_;
};
