#include "ScanningService/CoreScanning/BVStoreItemModels.h"

#include "Foundation/BVLogger.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"
#include "ScanningService/CoreScanning/BVFileModel.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

BVURLPtr BVMetadataItemModel::url() const {
    std::lock_guard lock(urlMutex_);
    if (url_) return url_;
    auto item = medatadaItem();
    if (!item) return nullptr;
    auto u = item->valueForAttribute(BVMetadataItemURLKey);
    if (u && u->isString() && u->stringValue().rfind("file://", 0) == 0) {
        url_ = BVURL::fileURLWithPath(u->stringValue().substr(7));
    } else if (auto p = BVMetadataItemPath(*item)) {
        url_ = BVURL::fileURLWithPath(*p);
    }
    return url_;
}

BVRemovalResultPtr BVMetadataItemModel::remove() {
    auto u = url();
    return BVRemovalResultFromReport(shared_from_this(), remover()->removeItem(u ? BVFileRemover::Path(u->path()) : std::nullopt));
}

BVRemovalResultPtr BVFileVersionModel::remove() {
    if (BVDebugSwitches::isOn(BVDebugModeAllFailedRemove))
        return BVRemovalResult::failedResultWithModel(shared_from_this(), BVError(BVOSStatusErrorDomain, 404));
    if (BVDebugSwitches::isOn(BVDebugModeFakeRemove)) {
        BVLogger::info(fmt::format("[remove version item] fake remove {}", value()->description()));
        return BVRemovalResult::emptyResultWithModel(shared_from_this());
    }
    BVError error;
    auto version = fileVersion();
    bool removed = version && version->removeAndReturnError(&error);
    if (!version) error = BVError::withDescription(BVEntityErrorDomain, 0, "no document version");
    return std::make_shared<BVRemovalResult>(shared_from_this(), removed ? size() : 0,
                                             removed ? std::nullopt : std::optional<BVError>(error));
}

bool BVMailboxModel::isEqual(const BVEntity& other) const {
    auto* o = dynamic_cast<const BVMailboxModel*>(&other);
    return BVTreeEntity::isEqual(other) && o && BVObjectsEqual(o->value(), value());
}

size_t BVMailboxModel::hash() const { return BVTreeEntity::hash() ^ value()->hash(); }
