#include "ScanningService/CoreScanning/BVCompoundCleanTask.h"

#include "ScanningService/CoreScanning/BVCleanTaskResult.h"

BVCompoundCleanTask::BVCompoundCleanTask(std::vector<BVCleanTaskPtr> tasks)
    : tasks_(std::move(tasks)), progress_(BVCompoundProgress::create()) {}

std::vector<BVRemovalDependencyPtr> BVCompoundCleanTask::dependencies() {
    std::vector<BVRemovalDependencyPtr> all;
    for (const auto& t : tasks_) {
        auto more = t->dependencies();
        all.insert(all.end(), more.begin(), more.end());
    }
    return all;
}

uint64_t BVCompoundCleanTask::remainingSize() const {
    uint64_t sum = 0;
    for (const auto& t : tasks_) sum += t->remainingSize();
    return sum;
}

std::vector<BVEntityPtr> BVCompoundCleanTask::models() const {
    std::vector<BVEntityPtr> all;
    for (const auto& t : tasks_) {
        auto more = t->models();
        all.insert(all.end(), more.begin(), more.end());
    }
    return all;
}

void BVCompoundCleanTask::setDelegate(std::weak_ptr<BVCleanTaskDelegate> delegate) {
    for (const auto& t : tasks_) t->setDelegate(delegate);
}

BVCleanTaskResultPtr BVCompoundCleanTask::perform() {
    for (const auto& t : tasks_) progress_->attachProgress(t->progress());
    std::vector<BVRemovalResultPtr> results;
    if (progress_->isCancelled()) return std::make_shared<BVCleanTaskResult>(std::move(results));
    for (const auto& t : tasks_) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        auto result = t->perform();
        results.insert(results.end(), result->results().begin(), result->results().end());
    }
    return std::make_shared<BVCleanTaskResult>(std::move(results));
}
