#include "PrivacyModule/Sources/BVPrivacyCleanTask.h"

#include "ScanningService/CoreScanning/BVModelCleanTask.h"

BVPrivacyCleanTask::BVPrivacyCleanTask(std::vector<BVEntityPtr> models, std::vector<std::string> bundleIDs)
    : models_(std::move(models)), bundleIDs_(std::move(bundleIDs)) {
    dependencies();
}

std::vector<BVRemovalDependencyPtr> BVPrivacyCleanTask::dependencies() {
    std::lock_guard lock(mutex_);
    if (!dependencies_) {
        dependencies_.emplace();
        for (const auto& m : models_) {
            auto more = m->dependencies();
            dependencies_->insert(dependencies_->end(), more.begin(), more.end());
        }
        for (const auto& b : bundleIDs_) dependencies_->push_back(BVRemovalDependency::dependencyOnApplication(b));
    }
    return *dependencies_;
}

BVCleanTaskResultPtr BVPrivacyCleanTask::perform() {
    auto delegate = delegate_.lock();
    if (delegate)
        for (const auto& m : models_) delegate->cleanTask(*this, m);
    BVCleanTaskResultPtr result = BVCleanTaskResult::fakeResultForModelsTask(*this);
    if (!result) {
        bool fulfilled = true;
        for (const auto& d : dependencies()) fulfilled = fulfilled && d->isFulfilled();
        if (!fulfilled) {
            std::vector<BVRemovalResultPtr> failed;
            for (const auto& m : models_) failed.push_back(BVRemovalResult::failedResultWithModel(m, BVModelCleanTask::dependencyError(m)));
            result = std::make_shared<BVCleanTaskResult>(std::move(failed));
        } else if (models_.empty() || progress_->isCancelled()) {
            result = std::make_shared<BVCleanTaskResult>();
        } else {
            result = removeModels();
        }
    }
    if (delegate)
        for (const auto& r : result->results()) delegate->cleanTask(*this, r->entity(), r);
    return result;
}
