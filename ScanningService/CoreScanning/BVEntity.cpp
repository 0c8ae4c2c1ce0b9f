#include "ScanningService/CoreScanning/BVEntity.h"

#include <stdexcept>

#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVIgnoreStrategyType.h"
#include "ScanningService/CoreScanning/BVRemovalDependency.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

BVEntity::BVEntity(BVObjectPtr value, uint64_t size, bool autoselected)
    : autoselected_(autoselected),
      size_(size),
      autoselectedSize_(autoselected ? size : 0),
      value_(value ? std::move(value) : BVValueObject::null()) {}

BVUUID BVEntity::uid() const {
    BVLockGuard lock(uidMutex_);
    if (!uid_) uid_ = BVUUID::create();
    return *uid_;
}

void BVEntity::setUid(const BVUUID& uid) {
    BVLockGuard lock(uidMutex_);
    uid_ = uid;
}

std::shared_ptr<BVFileRemover> BVEntity::remover() const { return remover_ ? remover_ : BVFileRemover::sharedInstance(); }

bool BVEntity::isIgnorable() const { return ignoreStrategy_ && ignoreStrategy_->isIgnorable(); }

void BVEntity::ignore() {
    if (ignoreStrategy_) ignoreStrategy_->ignore();
}

std::vector<BVRemovalDependencyPtr> BVEntity::dependencies() const {
    if (!fetcher_) return {};
    return fetcher_->dependencies();
}

bool BVEntity::isEqual(const BVEntity& other) const {
    return isKindOfClassOf(other) && other.autoselected_ == autoselected_ && other.size_ == size_ &&
           BVObjectsEqual(other.value_, value_);
}

size_t BVEntity::hash() const {
    return value_->hash() ^ size_t(size_) ^ size_t(autoselectedSize_) ^ size_t(autoselected_ ? 1 : 0);
}

std::string BVEntity::description() const {
    return std::string("<") + className() + ": " + value_->description() + ", size " + std::to_string(size_) + ">";
}

bool BVEntityListsEqual(const std::vector<BVEntityPtr>& a, const std::vector<BVEntityPtr>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        if (!a[i] || !b[i] || !a[i]->isEqual(*b[i])) return false;
    }
    return true;
}
