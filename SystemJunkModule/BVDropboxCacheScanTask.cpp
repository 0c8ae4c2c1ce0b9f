#include "SystemJunkModule/BVDropboxCacheScanTask.h"

#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"

BVScanTaskPtr BVDropboxCacheScanTask::task(const BVEnvironment& environment) {
    return std::make_shared<BVDropboxCacheScanTask>(BVDropbox::dropbox(*environment.paths), BVFTSFileManager::sharedManager(),
                                                    BVEnvironmentServices::knowledgeBase(environment, BVScannerUserCaches));
}

const std::vector<BVDropboxAccount>& BVDropboxCacheScanTask::dropboxAccounts() {
    std::call_once(accountsOnce_, [this] {
        accounts_ = dropbox_->fetchAccounts();
        if (accounts_.empty()) accounts_.push_back(BVDropboxAccount::defaultAccount(dropbox_->home()));
    });
    return accounts_;
}

BVScanResultPtr BVDropboxCacheScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVDropboxCacheScanTask", identifier())) return canned;
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    // Empty files and folders are not worth offering.
    auto filter = BVCompoundPredicate::orPredicateWithSubpredicates(
        {std::make_shared<BVFileIgnorePredicate>(knowledgeBase_), BVFileNamePredicate::dsStoreFileNamePredicate(),
         BVCompoundPredicate::notPredicateWithSubpredicate(std::make_shared<BVFileSizePredicate>(0))});

    const auto& accounts = dropboxAccounts();
    progress_->addPendingUnitsCount(accounts.size());
    std::vector<BVEntityPtr> items;
    for (const auto& account : accounts) {
        progress_->sleepThreadWhilePaused();
        progress_->addUnitsCount(1);
        std::string cache = account.folder() + "/" + dropbox_->cacheFolderName();
        if (progress_->isCancelled()) break;
        if (filter->shouldIgnoreObject(cache)) continue;
        auto sequence = BVFileURLSequenceModel::sequenceWithPath(cache, knowledgeBase_->shouldSelectItem(cache));
        BVSystemJunk::attachIgnoreStrategy(sequence, knowledgeBase_, cache);
        // A folder is offered with everything in it, so what lies below it is not offered again
        // (it would be counted twice and removed twice).
        std::string offeredFolder;
        fileManager_->traverseContentAtPath(cache, [&](const std::string& path, const std::string&, bool isDirectory, uint64_t size) {
            progress_->sleepThreadWhilePaused();
            if (progress_->isCancelled()) return false;
            progress_->setPath(path);
            if (!offeredFolder.empty() && path.compare(0, offeredFolder.size(), offeredFolder) == 0) return true;
            if (!filter->shouldIgnoreObject(path)) {
                if (isDirectory) offeredFolder = path + "/";
                uint64_t itemSize = isDirectory ? QLFileSizer::itemSizeAtPath(path) : size;
                progress_->addSize(itemSize);
                sequence->addChild(BVSystemJunk::fileModel(path, itemSize, knowledgeBase_, true));
            }
            return !progress_->isCancelled();
        });
        items.push_back(sequence);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
