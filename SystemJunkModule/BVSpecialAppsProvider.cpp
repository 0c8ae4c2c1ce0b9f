#include "SystemJunkModule/BVSpecialAppsProvider.h"

#include "Foundation/BVFileIO.h"

bool BVSpecialApplicationCacheInfo::isEqual(const BVObject& other) const {
    auto* o = dynamic_cast<const BVSpecialApplicationCacheInfo*>(&other);
    return o && o->cachePath_ == cachePath_;
}

BVSpecialApplicationCacheModel::BVSpecialApplicationCacheModel(BVSpecialApplicationCacheInfoPtr info, uint64_t size, bool autoselected)
    : BVFolderModel(BVURL::fileURLWithPath(info->cachePath(), true), size, autoselected), info_(std::move(info)) {}

BVSpecialAppsProvider::BVSpecialAppsProvider(const BVPaths& paths, const BVFileManager& fileManager) {
    if (paths.layout() != BVLayout::macos) return;
    userApps_.push_back(std::make_shared<BVSpecialApplicationCacheInfo>(
        "Adobe Premier Pro Media Cache", paths.home() + "/Library/Application Support/Adobe/Common/Media Cache Files"));
    std::string history = paths.systemPath("/Library/SystemMigration/History");
    for (const auto& entry : fileManager.contentsOfDirectoryAtURL(history, nullptr, BVDirectoryEnumerationNone)) {
        std::string name = BVFileIO::lastPathComponent(entry);
        if (!name.starts_with("Migration-")) continue;
        systemApps_.push_back(std::make_shared<BVSpecialApplicationCacheInfo>(
            "System Migration Cache", history + "/" + name + "/QuarantineRoot/private/var/db/dyld"));
        break;
    }
}
