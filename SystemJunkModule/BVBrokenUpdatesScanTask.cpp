#include "SystemJunkModule/BVBrokenUpdatesScanTask.h"

#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/BVFileRemover.h"
#include "ScanningService/CoreScanning/BVRemovalDependency.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"

BVRemovalResultPtr BVBrokenUpdateModel::remove() {
    return BVRemovalResultFromReport(shared_from_this(), remover()->removeItem(info_->updateURL()));
}

BVBrokenApplicationsUpdatesScanTask::BVBrokenApplicationsUpdatesScanTask(const BVEnvironment& environment,
                                                                         std::vector<BVBrokenUpdatesDataSourcePtr> sources)
    : fileManager_(environment.fileManager),
      knowledgeBase_(BVEnvironmentServices::knowledgeBase(environment, BVScannerBrokenApplicationUpdates)),
      sources_(std::move(sources)) {}

BVScanResultPtr BVBrokenApplicationsUpdatesScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVBrokenApplicationsUpdatesScanTask", identifier())) return canned;
    auto ignore = std::make_shared<BVFileIgnorePredicate>(knowledgeBase_);
    progress_->addPendingUnitsCount(sources_.size());
    std::vector<BVEntityPtr> items;
    for (const auto& source : sources_) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        auto quit = source->relatedApplicationsToBeQuitted();
        for (const auto& info : source->brokenUpdates()) {
            progress_->sleepThreadWhilePaused();
            if (progress_->isCancelled()) break;
            const std::string& path = info->updateURL();
            if (ignore->shouldIgnoreObject(path)) continue;
            uint64_t size = fileManager_->itemSizeAtPath(path, 1);
            progress_->addSize(size);
            progress_->setPath(path);
            auto model = std::make_shared<BVBrokenUpdateModel>(info, size, true);
            BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, path);
            model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcher::fetcherWithBundleIDs(quit));
            items.push_back(model);
        }
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
