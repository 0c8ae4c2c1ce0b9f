#include "TrashAndMediaJunkModule/Trash/BVPhotosTrashCleanTasks.h"

#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "TrashAndMediaJunkModule/Trash/BVPhotosItemModel.h"
#include "TrashAndMediaJunkModule/Trash/BVPhotosTrashScanTasks.h"

BVPhotosLibraryCleanTask::BVPhotosLibraryCleanTask(std::vector<std::shared_ptr<BVPhotosItemModel>> models, BVPhotosPtr photos)
    : models_(std::move(models)), photos_(std::move(photos)) {}

uint64_t BVPhotosLibraryCleanTask::remainingSize() const {
    uint64_t size = 0;
    for (const auto& m : models_) size += m->size();
    return size;
}

std::vector<BVEntityPtr> BVPhotosLibraryCleanTask::models() const { return {models_.begin(), models_.end()}; }

std::set<std::string> BVPhotosLibraryCleanTask::versionUuids() const {
    std::set<std::string> uuids;
    for (const auto& m : models_) uuids.insert(m->versionUuid());
    return uuids;
}

BVCleanTaskResultPtr BVPhotosLibraryCleanTask::perform() {
    if (models_.empty()) {
        progress_->addUnitsCount(1);
        return std::make_shared<BVCleanTaskResult>();
    }
    auto delegate = delegate_.lock();
    for (const auto& m : models_)
        if (delegate) delegate->cleanTask(*this, m);
    std::optional<BVError> outcome;
    BVError openError;
    if (progress_->isCancelled()) {
        outcome = BVError(BVPhotosErrorDomain, 3, BVDictionary{{BVLocalizedDescriptionKey, BVValue("Cancelled")}});
    } else if (!photos_ || !photos_->openLibraryWithTimeout(BVPhotosLibraryOpenTimeout, &openError)) {
        outcome = openError;
    } else {
        outcome = clear();
    }
    if (photos_) photos_->closeLibrary();
    std::vector<BVRemovalResultPtr> results;
    for (const auto& m : models_) {
        std::optional<BVError> error = outcome;
        if (!error && notFound_.count(m->versionUuid()))
            error = BVError(BVPhotosErrorDomain, 4, BVDictionary{{BVLocalizedDescriptionKey, BVValue("The photo is no longer in the library")}});
        auto r = std::make_shared<BVRemovalResult>(m, error ? 0 : m->size(), error);
        if (delegate) delegate->cleanTask(*this, m, r);
        results.push_back(r);
    }
    auto result = std::make_shared<BVCleanTaskResult>(std::move(results));
    progress_->addUnitsCount(1);
    progress_->addSize(result->cleanedSize());
    return result;
}

std::optional<BVError> BVPhotosTrashCleanTask::clear() { return photos_->clearModelFromTrashSynchronously(versionUuids()); }

std::optional<BVError> BVTwinaraTrashCleanTask::clear() {
    std::vector<BVPhotosPredicatePtr> any;
    for (const auto& uuid : versionUuids()) any.push_back(BVPhotosPredicate::predicateWithProperty("uuid", BVValue(uuid)));
    auto found = photos_->executeRequest(BVPhotosLibraryRequest::versionsRequest(BVPhotosPredicate::orPredicate(any))).versions;
    std::set<std::string> moved;
    for (const auto& v : found) {
        photos_->setIsInTrash(v, true, 2);
        moved.insert(v.uuid);
    }
    for (const auto& uuid : versionUuids())
        if (!moved.count(uuid)) notFound_.insert(uuid);
    return photos_->clearModelFromTrashSynchronously(moved);
}
