// BVCleanTaskResult: the removal results of one clean task, what they freed in all, and
// whether all, none or some succeeded (1, 2, 3; 1 also when there were none). Immutable.
#pragma once

#include "ScanningService/CoreScanning/BVCleanTask.h"

class BVCleanTaskResult {
public:
    BVCleanTaskResult() = default;
    explicit BVCleanTaskResult(std::vector<BVRemovalResultPtr> results);

    uint64_t state() const;
    uint64_t cleanedSize() const { return cleanedSize_; }
    const std::vector<BVRemovalResultPtr>& results() const { return results_; }

    // One successful result per model (its size, no error).
    static BVCleanTaskResultPtr successfulResultForModelsTask(const BVCleanTask& task);
    // One failed result per model, each with `error`.
    static BVCleanTaskResultPtr failedResultForModelsTask(const BVCleanTask& task, const BVError& error);
    // The debug switches' result: all failed (OS status 404), all succeeded, or none when
    // neither switch is set and the task removes for real.
    static BVCleanTaskResultPtr fakeResultForModelsTask(const BVCleanTask& task);

private:
    std::vector<BVRemovalResultPtr> results_;
    uint64_t cleanedSize_ = 0;
};
