#include "TrashAndMediaJunkModule/Photos/BVPhotosModule.h"

#include "Foundation/BVPaths.h"
#include "KnowledgeBase/BVScannerIdentifiers.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "TrashAndMediaJunkModule/Photos/BVPhotosCacheScanTasks.h"
#include "TrashAndMediaJunkModule/Photos/BVPhotosLibraryInfo.h"

namespace BVPhotosModule {

std::vector<BVScanTaskPtr> scanTasks(const BVEnvironment& environment, const std::string& ownVersion, BVPhotosPtr photos) {
    if (environment.paths->layout() != BVLayout::macos) return {};
    const auto& fileManager = environment.fileManager;
    BVPhotosLibraryInfo info(environment.knowledgeBase, fileManager, ownVersion);
    auto knowledgeBase = BVEnvironmentServices::knowledgeBase(environment, BVScannerPhotoLibraryCaches);
    std::vector<BVScanTaskPtr> tasks;
    for (const auto& path : fileManager->contentsOfDirectoryAtURL(environment.paths->home() + "/Pictures", nullptr, BVDirectoryEnumerationNone)) {
        if (!BVPhotosLibraryInfo::isPhotosLibraryAtPath(path) || !fileManager->isDirectoryAtPath(path)) continue;
        if (!info.isLibrarySupportedAtPath(path)) continue;
        if (auto task = BVPhotosCompoundScanTask::make(path, fileManager, knowledgeBase, photos)) tasks.push_back(task);
    }
    return tasks;
}

}  // namespace BVPhotosModule
