// The clean tasks of the two photo-library trashes: they change the library itself instead of
// deleting files. BVPhotosTrashCleanTask empties the chosen photos from the library's trash;
// BVTwinaraTrashCleanTask first moves the chosen photos of the duplicate finder's album into
// the library's trash (reason 2) and then empties them from it. Each opens the library (60
// seconds at most); when it does not open, or clearing fails, every model's result carries that
// error and frees nothing. A duplicate-album photo the library no longer has frees nothing and
// fails with BVPhotosErrorDomain 4. `perform` runs on the clean worker and blocks until the library is
// done; the delegate is called there, before and after the library is changed.
#pragma once

#include <mutex>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVPhotos.h"
#include "ScanningService/CoreScanning/BVCleanTask.h"

class BVPhotosItemModel;

class BVPhotosLibraryCleanTask : public BVCleanTask {
public:
    BVPhotosLibraryCleanTask(std::vector<std::shared_ptr<BVPhotosItemModel>> models, BVPhotosPtr photos);
    BVPhotosLibraryCleanTask() = delete;

    std::vector<BVRemovalDependencyPtr> dependencies() override { return {}; }
    uint64_t remainingSize() const override;
    std::vector<BVEntityPtr> models() const override;
    void setDelegate(std::weak_ptr<BVCleanTaskDelegate> delegate) override { delegate_ = std::move(delegate); }
    BVProgressPtr progress() const override { return progress_; }
    BVCleanTaskResultPtr perform() override;

protected:
    // Changes the library (open); the error, or none.
    virtual std::optional<BVError> clear() = 0;
    std::set<std::string> versionUuids() const;
    // Versions the library no longer has: their models free nothing and say so.
    std::set<std::string> notFound_;

    std::vector<std::shared_ptr<BVPhotosItemModel>> models_;
    BVPhotosPtr photos_;

private:
    std::weak_ptr<BVCleanTaskDelegate> delegate_;
    std::shared_ptr<BVComputableProgress> progress_ = BVComputableProgress::create(1);
};

class BVPhotosTrashCleanTask final : public BVPhotosLibraryCleanTask {
public:
    using BVPhotosLibraryCleanTask::BVPhotosLibraryCleanTask;

private:
    std::optional<BVError> clear() override;
};

class BVTwinaraTrashCleanTask final : public BVPhotosLibraryCleanTask {
public:
    using BVPhotosLibraryCleanTask::BVPhotosLibraryCleanTask;

private:
    std::optional<BVError> clear() override;
};
