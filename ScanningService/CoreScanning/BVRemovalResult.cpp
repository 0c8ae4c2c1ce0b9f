#include "ScanningService/CoreScanning/BVRemovalResult.h"

#include <algorithm>

BVRemovalResultPtr BVRemovalResult::successfulResultWithModel(const BVEntityPtr& entity) {
    return std::make_shared<BVRemovalResult>(entity, entity ? entity->size() : 0, std::nullopt);
}

BVRemovalResultPtr BVRemovalResult::failedResultWithModel(const BVEntityPtr& entity, const BVError& error) {
    return std::make_shared<BVRemovalResult>(entity, 0, error);
}

BVRemovalResultPtr BVRemovalResult::emptyResultWithModel(const BVEntityPtr& entity) {
    return std::make_shared<BVRemovalResult>(entity, 0, std::nullopt);
}

BVRemovalResult::BVRemovalResult(BVEntityPtr entity, uint64_t size, std::optional<BVError> error)
    : entity_(std::move(entity)), error_(std::move(error)), totalSizeContainer_(size) {}

void BVRemovalResult::addChild(const BVRemovalResultPtr& child) {
    if (!child) return;
    uint64_t childSize = child->size();
    BVLockGuard lock(internalQueue_);
    childrenContainer_.push_back(child);
    totalSizeContainer_ += childSize;
}

void BVRemovalResult::addChildren(const std::vector<BVRemovalResultPtr>& children) {
    for (const auto& c : children) addChild(c);
}

void BVRemovalResult::removeChild(const BVRemovalResultPtr& child) {
    if (!child) return;
    uint64_t childSize = child->size();
    BVLockGuard lock(internalQueue_);
    auto it = std::find(childrenContainer_.begin(), childrenContainer_.end(), child);
    if (it == childrenContainer_.end()) return;
    childrenContainer_.erase(it);
    totalSizeContainer_ -= childSize;
}

void BVRemovalResult::removeChildren(const std::vector<BVRemovalResultPtr>& children) {
    for (const auto& c : children) removeChild(c);
}

std::vector<BVRemovalResultPtr> BVRemovalResult::children() const {
    BVLockGuard lock(internalQueue_);
    return childrenContainer_;
}

uint64_t BVRemovalResult::size() const {
    BVLockGuard lock(internalQueue_);
    return totalSizeContainer_;
}

uint64_t BVRemovalResult::state() const {
    auto all = children();
    if (all.empty()) return error_ ? BVRemovalStateFailed : BVRemovalStateSucceeded;
    bool allSucceeded = true, allFailed = true;
    for (const auto& c : all) {
        uint64_t s = c->state();
        allSucceeded = allSucceeded && s == BVRemovalStateSucceeded;
        allFailed = allFailed && s == BVRemovalStateFailed;
    }
    if (allSucceeded) return BVRemovalStateSucceeded;
    if (allFailed) return BVRemovalStateFailed;
    return BVRemovalStatePartlySucceeded;
}

std::vector<BVError> BVRemovalResult::errors() const {
    auto all = children();
    if (all.empty()) return error_ ? std::vector<BVError>{*error_} : std::vector<BVError>{};
    std::vector<BVError> out;
    for (const auto& c : all) {
        auto more = c->errors();
        out.insert(out.end(), more.begin(), more.end());
    }
    return out;
}
