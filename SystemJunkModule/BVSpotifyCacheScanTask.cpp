#include "SystemJunkModule/BVSpotifyCacheScanTask.h"

#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"

BVScanTaskPtr BVSpotifyCacheScanTask::task(const BVEnvironment& environment) {
    return std::make_shared<BVSpotifyCacheScanTask>(environment.fileManager,
                                                    BVEnvironmentServices::knowledgeBase(environment, BVScannerUserCaches),
                                                    BVSpotify::spotify(*environment.paths));
}

BVScanResultPtr BVSpotifyCacheScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVSpotifyCacheScanTask", identifier())) return canned;
    progress_->sleepThreadWhilePaused();
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    auto filter = BVCompoundPredicate::orPredicateWithSubpredicates(
        {BVCompoundPredicate::notPredicateWithSubpredicate(std::make_shared<BVFileExistancePredicate>(fileManager_)),
         std::make_shared<BVFileIgnorePredicate>(knowledgeBase_)});
    auto location = spotify_->persistentStorageLocation();
    progress_->addUnitsCount(1);
    if (!location) return BVScanResult::emptyResultWithIdentifier(identifier());
    progress_->setPath(*location);
    if (progress_->isCancelled() || filter->shouldIgnoreObject(*location))
        return BVScanResult::emptyResultWithIdentifier(identifier());
    uint64_t size = QLFileSizer::itemSizeAtPath(*location);
    progress_->addSize(size);
    return BVScanResult::resultWithIdentifier(identifier(), {BVSystemJunk::fileModel(*location, size, knowledgeBase_, false)});
}
