#include "Foundation/BVFileVersionStore.h"

#include <cerrno>

bool BVStoredFileVersion::removeAndReturnError(BVError* error) const {
    if (!store_) {
        BVSetError(error, BVError::withDescription(BVPOSIXErrorDomain, ENOENT, "No version store holds " + url_));
        return false;
    }
    return store_->removeVersion(*this, error);
}

bool BVStoredFileVersion::isEqual(const BVObject& other) const {
    auto* o = dynamic_cast<const BVStoredFileVersion*>(&other);
    return o && o->url_ == url_ && o->store_ == store_;
}

bool BVEmptyFileVersionStore::removeVersion(const BVStoredFileVersion& version, BVError* error) {
    BVSetError(error, BVError::withDescription(BVPOSIXErrorDomain, ENOENT, "No version store holds " + version.URL()));
    return false;
}
