#include "TrashAndMediaJunkModule/Trash/BVPhotosItemModel.h"

#include <cinttypes>
#include <cstdio>

#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

namespace {

std::string lastComponent(const std::string& path) { return path.substr(path.rfind('/') + 1); }

}  // namespace

bool BVPhotosItemsAutoselected(const BVSystemVersion& v) { return !(v.majorVersion == 10 && v.minorVersion >= 13); }

bool BVPhotosUsesProxyFolderThumbnails(const BVSystemVersion& v) { return v.majorVersion == 10 && v.minorVersion >= 12; }

namespace BVPhotosVersionSerializer {

BVDictionary serializePhotosVersion(const BVPhotosVersion& version, const BVPhotos& library, const BVSystemVersion& system) {
    BVDictionary paths;
    if (BVPhotosUsesProxyFolderThumbnails(system)) {
        for (const char* kind : {"mini", "thumb"}) {
            char name[512];
            std::snprintf(name, sizeof name, "%s_%s_%" PRIx64 ".jpg", version.adjustmentUuid.c_str(), kind, version.modelId);
            paths[std::string(kind) == "mini" ? "miniThumbnailPath" : "thumbnailPath"] =
                BVValue(version.proxyFolder + "/" + name);
        }
    } else {
        if (version.miniThumbnailPath)
            paths["miniThumbnailPath"] = BVValue(library.thumbnailsFolder() + "/" + *version.miniThumbnailPath);
        if (version.thumbnailPath) paths["thumbnailPath"] = BVValue(library.thumbnailsFolder() + "/" + *version.thumbnailPath);
        if (version.fullSizePreviewPath)
            paths["fullSizePreviewPath"] = BVValue(library.previewsFolder() + "/" + *version.fullSizePreviewPath);
    }
    BVDictionary photo{{"versionUuid", BVValue(version.uuid)},
                       {"name", BVValue(lastComponent(version.masterPath))},
                       {"masterPath", BVValue(version.masterPath)},
                       {"paths", BVValue(std::move(paths))}};
    if (version.inTrashDate) photo["inTrashDate"] = BVValue(*version.inTrashDate);
    return photo;
}

}  // namespace BVPhotosVersionSerializer

std::shared_ptr<BVPhotosItemModel> BVPhotosItemModel::modelWithPhoto(const BVDictionary& photo, uint64_t type,
                                                                     std::string libraryURL, bool autoselected) {
    BVValue value(photo);
    uint64_t size = QLFileSizer::itemSizeAtPath(value["masterPath"].stringValue());
    for (const auto& [key, path] : value["paths"].dictionaryValue()) size += QLFileSizer::itemSizeAtPath(path.stringValue());
    auto model = BVEntity::model<BVPhotosItemModel>(BVValueObject::with(value), size, autoselected);
    model->type_ = type;
    model->libraryURL_ = std::move(libraryURL);
    return model;
}

const BVDictionary& BVPhotosItemModel::photo() const {
    static const BVDictionary empty;
    auto v = std::dynamic_pointer_cast<const BVValueObject>(value());
    return v ? v->value().dictionaryValue() : empty;
}

std::string BVPhotosItemModel::name() const { return BVValue(photo())["name"].stringValue(); }
std::string BVPhotosItemModel::versionUuid() const { return BVValue(photo())["versionUuid"].stringValue(); }
std::string BVPhotosItemModel::thumbnailPath() const { return BVValue(photo())["paths"]["thumbnailPath"].stringValue(); }
std::string BVPhotosItemModel::miniThumbnailPath() const {
    return BVValue(photo())["paths"]["miniThumbnailPath"].stringValue();
}

std::vector<std::string> BVPhotosItemModel::thumbnails() const {
    std::vector<std::string> list;
    for (const auto& [key, path] : BVValue(photo())["paths"].dictionaryValue()) list.push_back(path.stringValue());
    return list;
}

BVRemovalResultPtr BVPhotosItemModel::remove() {
    // Deleting the files would corrupt the library; only the library itself may drop a photo.
    return BVRemovalResult::failedResultWithModel(
        shared_from_this(),
        BVError(BVPhotosErrorDomain, 2,
                BVDictionary{{BVLocalizedDescriptionKey, BVValue("Photos are removed by the photo library's clean task")}}));
}

bool BVPhotosItemModel::isEqual(const BVEntity& other) const {
    auto* o = dynamic_cast<const BVPhotosItemModel*>(&other);
    return o && BVEntity::isEqual(other) && o->libraryURL_ == libraryURL_ && o->type_ == type_;
}

size_t BVPhotosItemModel::hash() const { return BVEntity::hash() ^ std::hash<std::string>{}(libraryURL_) ^ size_t(type_); }
