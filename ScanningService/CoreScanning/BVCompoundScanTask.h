// BVCompoundScanTask: runs sub-tasks one after another on the calling thread and returns one
// result holding all their items (errors of sub-results are dropped). Every sub-task reports
// progress; their progresses are attached to the compound's. A cancellation between sub-tasks
// returns what was collected so far.
#pragma once

#include <vector>

#include "Foundation/BVCompoundProgress.h"
#include "Foundation/BVPhotos.h"
#include "ScanningService/CoreScanning/BVScanResult.h"
#include "ScanningService/CoreScanning/BVScanTask.h"

class BVCompoundScanTask : public BVScanTask, public BVProgressReporting {
public:
    // Every task must also implement BVProgressReporting; one that does not is a programming
    // error (std::invalid_argument).
    BVCompoundScanTask(std::string identifier, std::vector<BVScanTaskPtr> tasks);

    std::string identifier() const override { return identifier_; }
    const std::vector<BVScanTaskPtr>& tasks() const { return tasks_; }
    BVProgressPtr progress() const override { return progress_; }
    BVScanResultPtr scan() override;

private:
    std::string identifier_;
    std::vector<BVScanTaskPtr> tasks_;
    std::shared_ptr<BVCompoundProgress> progress_;
};

// A compound over the photo library: opens it (60 seconds at most) around the sub-tasks.
class BVPhotosLibraryCompoundScanTask : public BVCompoundScanTask {
public:
    BVPhotosLibraryCompoundScanTask(std::string identifier, std::vector<BVScanTaskPtr> tasks, BVPhotosPtr photos);
    const BVPhotosPtr& photos() const { return photos_; }
    BVScanResultPtr scan() override;

private:
    BVPhotosPtr photos_;
};
