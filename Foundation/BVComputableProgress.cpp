#include "Foundation/BVComputableProgress.h"

#include <algorithm>

std::shared_ptr<BVComputableProgress> BVComputableProgress::create(uint64_t pendingUnits) {
    return std::make_shared<BVComputableProgress>(pendingUnits);
}

void BVComputableProgress::addPendingUnitsCount(uint64_t count) {
    {
        std::lock_guard lock(mutex_);
        totalUnits_ += count;
    }
    fractionChanged();
}

void BVComputableProgress::addUnitsCount(uint64_t count) {
    {
        std::lock_guard lock(mutex_);
        doneUnits_ += count;
    }
    fractionChanged();
}

void BVComputableProgress::addSize(uint64_t bytes) {
    {
        std::lock_guard lock(mutex_);
        size_ += bytes;
    }
    sizeChanged();
}

void BVComputableProgress::setPath(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        path_ = path;
    }
    pathChanged(path);
}

uint64_t BVComputableProgress::totalUnitsCount() const {
    std::lock_guard lock(mutex_);
    return totalUnits_;
}

uint64_t BVComputableProgress::completedUnitsCount() const {
    std::lock_guard lock(mutex_);
    return doneUnits_;
}

double BVComputableProgress::fractionCompleted() const {
    std::lock_guard lock(mutex_);
    if (totalUnits_ == 0) return 0;
    return std::min(1.0, double(doneUnits_) / double(totalUnits_));
}

uint64_t BVComputableProgress::size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

std::string BVComputableProgress::path() const {
    std::lock_guard lock(mutex_);
    return path_;
}

void BVComputableProgress::forceComplete() {
    {
        std::lock_guard lock(mutex_);
        if (totalUnits_ == 0) totalUnits_ = 1;
        doneUnits_ = std::max(doneUnits_, totalUnits_);
    }
    fractionChanged();
}
