#include "ScanningService/CoreScanning/BVCompoundScanTask.h"

#include <stdexcept>

#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

BVCompoundScanTask::BVCompoundScanTask(std::string identifier, std::vector<BVScanTaskPtr> tasks)
    : identifier_(std::move(identifier)), tasks_(std::move(tasks)), progress_(BVCompoundProgress::create()) {
    for (const auto& t : tasks_)
        if (!std::dynamic_pointer_cast<BVProgressReporting>(t))
            throw std::invalid_argument("BVCompoundScanTask: task " + t->identifier() + " reports no progress");
}

BVScanResultPtr BVCompoundScanTask::scan() {
    if (BVDebugSwitches::isOn(BVDebugModeFakeScanningEmptyResults)) return BVScanResult::emptyResultWithIdentifier(identifier_);
    for (const auto& t : tasks_) progress_->attachProgress(std::dynamic_pointer_cast<BVProgressReporting>(t)->progress());
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier_);
    std::vector<BVEntityPtr> collected;
    for (const auto& t : tasks_) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        auto result = t->scan();
        if (result)
            if (auto items = result->items()) collected.insert(collected.end(), items->begin(), items->end());
    }
    return BVScanResult::resultWithIdentifier(identifier_, collected);
}

BVPhotosLibraryCompoundScanTask::BVPhotosLibraryCompoundScanTask(std::string identifier, std::vector<BVScanTaskPtr> tasks,
                                                                 BVPhotosPtr photos)
    : BVCompoundScanTask(std::move(identifier), std::move(tasks)), photos_(std::move(photos)) {}

BVScanResultPtr BVPhotosLibraryCompoundScanTask::scan() {
    if (BVDebugSwitches::isOn(BVDebugModeFakeScanningJSONResults)) {
        auto canned = brk_scanResultFromJSONIndentifier("BVPhotosLibraryCompoundScanTask");
        return canned ? canned : BVScanResult::emptyResultWithIdentifier(identifier());
    }
    BVError error;
    if (!photos_ || !photos_->openLibraryWithTimeout(60, &error)) {
        if (!photos_) error = BVError::withDescription("BVPhotosErrorDomain", 1, "no photo library");
        return BVScanResult::resultWithIdentifier(identifier(), error);
    }
    auto result = BVCompoundScanTask::scan();
    photos_->closeLibrary();
    return result;
}
