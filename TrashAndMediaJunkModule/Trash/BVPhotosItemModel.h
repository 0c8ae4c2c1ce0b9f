// BVPhotosItemModel: one photo of a photo-library trash (type 0: the library's own trash;
// type 1: the duplicate finder's album). Its value is the photo dictionary that
// BVPhotosVersionSerializer makes; its size is the master file's plus its thumbnails' and
// preview's. Photos are removed by the library clean tasks, never file by file: `remove` on the
// entity itself fails without touching anything. Built on a scan thread; read-only afterwards.
#pragma once

#include "Foundation/BVPhotos.h"
#include "Foundation/BVSystemVersion.h"
#include "ScanningService/CoreScanning/BVEntity.h"

enum BVPhotosItemType : uint64_t { BVPhotosItemTypeLibraryTrash = 0, BVPhotosItemTypeTwinaraAlbum = 1 };

class BVPhotosItemModel : public BVEntity {
    BV_ENTITY_CLASS(BVPhotosItemModel)
public:
    BVPhotosItemModel(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}
    // Measures the files the dictionary names.
    static std::shared_ptr<BVPhotosItemModel> modelWithPhoto(const BVDictionary& photo, uint64_t type,
                                                             std::string libraryURL, bool autoselected);

    uint64_t type() const { return type_; }
    const std::string& libraryURL() const { return libraryURL_; }
    std::string name() const;
    std::string versionUuid() const;
    std::string thumbnailPath() const;
    std::string miniThumbnailPath() const;
    std::vector<std::string> thumbnails() const;

    BVRemovalResultPtr remove() override;
    bool isEqual(const BVEntity& other) const override;
    size_t hash() const override;

private:
    const BVDictionary& photo() const;
    uint64_t type_ = 0;
    std::string libraryURL_;
};

// Whether photo items are preselected: not on systems 10.13 and later of major version 10.
bool BVPhotosItemsAutoselected(const BVSystemVersion& version);
// Whether the system keeps thumbnails in the version's proxy folder (10.12 and later of 10).
bool BVPhotosUsesProxyFolderThumbnails(const BVSystemVersion& version);

namespace BVPhotosVersionSerializer {
// The photo dictionary of one version: "versionUuid", "name", "masterPath", "inTrashDate" and
// "paths" ("miniThumbnailPath", "thumbnailPath", "fullSizePreviewPath" where present).
BVDictionary serializePhotosVersion(const BVPhotosVersion& version, const BVPhotos& fromLibrary,
                                    const BVSystemVersion& system);
}  // namespace BVPhotosVersionSerializer
