#include "TrashAndMediaJunkModule/Trash/BVTrashedFileModel.h"

#include "Foundation/BVFileManager.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

namespace {

bool isDirectory(const std::string& path) { return BVFileManager::defaultManager()->isDirectoryAtPath(path); }
bool exists(const std::string& path) { return BVFileManager::defaultManager()->fileExistsAtPath(path); }

}  // namespace

std::shared_ptr<BVTrashedFileModel> BVTrashedFileModel::modelWithPath(const std::string& path, uint64_t size,
                                                                      bool autoselected, std::string infoRecordPath) {
    auto model = BVEntity::model<BVTrashedFileModel>(BVURL::fileURLWithPath(path), size, autoselected);
    model->infoRecordPath_ = std::move(infoRecordPath);
    return model;
}

std::string BVTrashedFileModel::infoRecordPathForItem(const std::string& itemPath) {
    size_t slash = itemPath.rfind('/');
    if (slash == std::string::npos || slash == 0) return {};
    std::string folder = itemPath.substr(0, slash), name = itemPath.substr(slash + 1);
    size_t parentSlash = folder.rfind('/');
    if (parentSlash == std::string::npos || folder.substr(parentSlash + 1) != "files") return {};
    std::string info = folder.substr(0, parentSlash) + "/info";
    return isDirectory(info) ? info + "/" + name + ".trashinfo" : std::string();
}

BVRemovalResultPtr BVTrashedFileModel::remove() {
    auto result = BVFileModel::remove();
    if (infoRecordPath_.empty() || result->error()) return result;
    auto u = url();
    // Only when the item is really gone (a fake removal leaves it, and so keeps the record).
    if (u && exists(u->path())) return result;
    if (!exists(infoRecordPath_)) return result;
    auto record = remover()->removeItem(infoRecordPath_);
    if (record.succeeded) return result;
    BVError recordError(BVTrashErrorDomain, BVTrashErrorInfoRecord,
                        BVDictionary{{BVLocalizedDescriptionKey, BVValue(record.description())}});
    return std::make_shared<BVRemovalResult>(shared_from_this(), result->size(), recordError);
}
