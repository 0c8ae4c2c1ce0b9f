#include "ScanningService/CoreScanning/BVModelCleanTask.h"

#include "Foundation/BVLocalizedStrings.h"
#include "ScanningService/CoreScanning/BVCleanTaskResult.h"
#include "ScanningService/CoreScanning/BVURLRepresentableModel.h"

BVModelCleanTask::BVModelCleanTask(std::vector<BVEntityPtr> models)
    : models_(std::move(models)), progress_(BVComputableProgress::create(models_.size())) {
    dependencies();
}

std::vector<BVRemovalDependencyPtr> BVModelCleanTask::dependencies() {
    std::lock_guard lock(mutex_);
    if (!dependencies_) {
        dependencies_.emplace();
        for (const auto& m : models_) {
            auto more = m->dependencies();
            dependencies_->insert(dependencies_->end(), more.begin(), more.end());
        }
    }
    return *dependencies_;
}

uint64_t BVModelCleanTask::remainingSize() const {
    uint64_t sum = 0;
    for (const auto& m : models_) sum += m->size();
    return sum;
}

BVError BVModelCleanTask::dependencyError(const BVEntityPtr& entity) {
    std::string name = entity->value()->description();
    if (auto u = dynamic_cast<const BVURLRepresentableModel*>(entity.get()))
        if (auto url = u->fileURL()) name = url->path();
    std::string text = BVFormatLocalized(BVLocalizedString("Errors", "ErrorDescriptionRemoving_DependantApplication"), {name});
    return BVError::withDescription(BVEntityErrorDomain, BVEntityErrorDependantApplication, text);
}

BVCleanTaskResultPtr BVModelCleanTask::perform() {
    std::vector<BVRemovalResultPtr> results;
    for (const auto& model : models_) {
        auto delegate = delegate_.lock();
        if (delegate) delegate->cleanTask(*this, model);
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        bool fulfilled = true;
        for (const auto& d : model->dependencies()) fulfilled = fulfilled && d->isFulfilled();
        BVRemovalResultPtr result;
        if (fulfilled) {
            result = model->remove();
            progress_->addSize(result->size());
        } else {
            result = BVRemovalResult::failedResultWithModel(model, dependencyError(model));
        }
        results.push_back(result);
        progress_->addUnitsCount(1);
        if (delegate) delegate->cleanTask(*this, model, result);
    }
    return std::make_shared<BVCleanTaskResult>(std::move(results));
}
