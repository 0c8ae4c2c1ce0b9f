#include "SystemJunkModule/BVSpecialAppsCacheScanTask.h"

#include "ScanningService/CoreScanning/BVEnvironmentServices.h"

BVSpecialAppsCacheScanTask::BVSpecialAppsCacheScanTask(std::shared_ptr<const BVPaths> paths, BVFileManagerPtr fileManager,
                                                       BVJunkKnowledgeBasePtr knowledgeBase,
                                                       std::vector<BVSpecialApplicationCacheInfoPtr> applications,
                                                       std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : paths_(std::move(paths)),
      fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      applications_(std::move(applications)),
      performer_(std::move(performer)) {}

std::shared_ptr<BVSpecialAppsCacheScanTask> BVSpecialAppsCacheScanTask::userAppsCacheScanTask(const BVEnvironment& environment) {
    BVSpecialAppsProvider provider(*environment.paths, *environment.fileManager);
    return std::make_shared<BVSpecialAppsCacheScanTask>(environment.paths, environment.fileManager,
                                                        BVEnvironmentServices::knowledgeBase(environment, BVScannerUserCaches),
                                                        provider.userApps(), environment.performer);
}

std::shared_ptr<BVSpecialAppsCacheScanTask> BVSpecialAppsCacheScanTask::systemAppsCacheScanTask(const BVEnvironment& environment) {
    BVSpecialAppsProvider provider(*environment.paths, *environment.fileManager);
    return std::make_shared<BVSpecialAppsCacheScanTask>(environment.paths, environment.fileManager,
                                                        BVEnvironmentServices::knowledgeBase(environment, BVScannerSystemCaches),
                                                        provider.systemApps(), environment.performer);
}

BVScanResultPtr BVSpecialAppsCacheScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVSpecialAppsCacheScanTask", identifier())) return canned;
    progress_->addPendingUnitsCount(applications_.size());
    std::vector<BVEntityPtr> items;
    for (const auto& info : applications_) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        const std::string& path = info->cachePath();
        progress_->setPath(path);
        if (!fileManager_->isDirectoryAtPath(path) || BVSystemJunk::isSystemIntegrityProtected(*paths_, path) ||
            knowledgeBase_->isIgnoreItem(path))
            continue;
        // Emptying an empty folder gives nothing back.
        if (fileManager_->contentsOfDirectoryAtURL(path, nullptr, BVDirectoryEnumerationNone).empty()) continue;
        uint64_t size = BVSystemJunk::itemSize(*fileManager_, path, performer_, progress_);
        progress_->addSize(size);
        auto model = std::make_shared<BVSpecialApplicationCacheModel>(info, size, knowledgeBase_->shouldSelectItem(path));
        BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, path);
        model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, path));
        items.push_back(model);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
