// BVPhotosCacheModel: one media cache of a photo library (its derived versions and masters, or
// its face crops) as a sequence of files. Its value names it for people ("Photos Library:
// faces cache"); its group key is what puts the whole cache on the ignore list.
#pragma once

#include "ScanningService/CoreScanning/BVTreeEntity.h"

inline constexpr const char* BVPhotosCacheKeyPhotos = "photosCachesCleanupScannerPhotosCacheIdentifier";
inline constexpr const char* BVPhotosCacheKeyFaces = "photosCachesCleanupScannerFacesIdentifier";
inline constexpr const char* BVPhotosCacheKeyCloud = "photosCachesCleanupScanneriCloudCacheIdentifier";

class BVPhotosCacheModel : public BVFileSequenceModel {
    BV_ENTITY_CLASS(BVPhotosCacheModel)
public:
    BVPhotosCacheModel(const std::string& key, const std::string& libraryURL);
    const std::string& key() const { return key_; }

private:
    std::string key_;
};
