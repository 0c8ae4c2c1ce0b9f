#include "ScanningService/CoreScanning/BVCleanTaskResult.h"

#include "Foundation/BVLogger.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

BVCleanTaskResult::BVCleanTaskResult(std::vector<BVRemovalResultPtr> results) : results_(std::move(results)) {
    for (const auto& r : results_) cleanedSize_ += r->size();
}

uint64_t BVCleanTaskResult::state() const {
    bool allSucceeded = true, allFailed = true;
    for (const auto& r : results_) {
        uint64_t s = r->state();
        allSucceeded = allSucceeded && s == BVRemovalStateSucceeded;
        allFailed = allFailed && s == BVRemovalStateFailed;
    }
    if (allSucceeded) return BVRemovalStateSucceeded;
    if (allFailed) return BVRemovalStateFailed;
    return BVRemovalStatePartlySucceeded;
}

BVCleanTaskResultPtr BVCleanTaskResult::successfulResultForModelsTask(const BVCleanTask& task) {
    std::vector<BVRemovalResultPtr> results;
    for (const auto& m : task.models()) results.push_back(BVRemovalResult::successfulResultWithModel(m));
    return std::make_shared<BVCleanTaskResult>(std::move(results));
}

BVCleanTaskResultPtr BVCleanTaskResult::failedResultForModelsTask(const BVCleanTask& task, const BVError& error) {
    std::vector<BVRemovalResultPtr> results;
    for (const auto& m : task.models()) results.push_back(BVRemovalResult::failedResultWithModel(m, error));
    return std::make_shared<BVCleanTaskResult>(std::move(results));
}

BVCleanTaskResultPtr BVCleanTaskResult::fakeResultForModelsTask(const BVCleanTask& task) {
    if (BVDebugSwitches::isOn(BVDebugModeAllFailedRemove))
        return failedResultForModelsTask(task, BVError(BVOSStatusErrorDomain, 404));
    if (BVDebugSwitches::isOn(BVDebugModeFakeRemove)) {
        std::string names;
        for (const auto& m : task.models()) names += (names.empty() ? "" : ", ") + m->value()->description();
        BVLogger::info(fmt::format("[Remove Clean Task item] fake remove ({})", names));
        return successfulResultForModelsTask(task);
    }
    return nullptr;
}
