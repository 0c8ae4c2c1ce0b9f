#include "SystemJunkModule/BVCacheScanTask.h"

#include <stdexcept>

#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"

namespace {

constexpr BVScannerIdentifier kSystemCacheScanner = 9;
constexpr BVScannerIdentifier kUserCacheScanner = 10;

template <class Task>
BVScanTaskPtr makeTask(std::optional<std::string> folder, BVScannerIdentifier scanner) {
    return std::make_shared<Task>(std::move(folder), BVFileManager::defaultManager(),
                                  BVKnowledgeBaseProvider::baseWithIdentifier(scanner),
                                  BVPrivilegedOperationsPerformer::sharedInstance());
}

}  // namespace

BVCacheScanTask::BVCacheScanTask(std::optional<std::string> cachesDirectory, BVJunkKnowledgeBasePtr knowledgeBase)
    : BVCacheScanTask(std::move(cachesDirectory), BVFileManager::defaultManager(), std::move(knowledgeBase),
                      BVPrivilegedOperationsPerformer::sharedInstance()) {}

BVCacheScanTask::BVCacheScanTask(std::optional<std::string> cachesDirectory, BVFileManagerPtr fileManager,
                                 BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : cachesDirectory_(std::move(cachesDirectory)),
      fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      performer_(std::move(performer)) {}

BVScanTaskPtr BVCacheScanTask::task() { throw std::logic_error("BVCacheScanTask is an abstract class"); }

BVScanTaskPtr BVSystemCachesScanTask::task() {
    return makeTask<BVSystemCachesScanTask>(BVPaths::sharedInstance()->localCaches(), kSystemCacheScanner);
}

BVScanTaskPtr BVUserCachesScanTask::task() {
    return makeTask<BVUserCachesScanTask>(BVPaths::sharedInstance()->userCaches(), kUserCacheScanner);
}

BVScanTaskPtr BVDarwinUserCachesScanTask::task() {
    return makeTask<BVDarwinUserCachesScanTask>(BVPaths::sharedInstance()->darwinUserCaches(), kUserCacheScanner);
}

BVScanTaskPtr BVSandboxContainersCachesScanTask::task() {
    auto paths = BVPaths::sharedInstance();
    return std::make_shared<BVSandboxContainersCachesScanTask>(
        paths->sandboxContainer(), BVFileManager::defaultManager(), BVKnowledgeBaseProvider::baseWithIdentifier(kUserCacheScanner),
        BVPrivilegedOperationsPerformer::sharedInstance(), paths->layout());
}

std::vector<std::string> BVCacheScanTask::contentOfCachesDirectoryURL() {
    if (!cachesDirectory_) return {};
    return fileManager_->contentsOfDirectoryAtURL(*cachesDirectory_, progress_, 0);
}

std::vector<std::string> BVSandboxContainersCachesScanTask::contentOfCachesDirectoryURL() {
    return BVSystemJunk::containerContents(*fileManager(), cachesDirectoryURL(), BVSystemJunk::containerCachesSubpath(layout_),
                                           computableProgress());
}

BVScanResultPtr BVCacheScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult(canonicalName(), identifier())) return canned;
    auto filter = BVCompoundPredicate::orPredicateWithSubpredicates(
        {BVFileNamePredicate::dsStoreFileNamePredicate(), std::make_shared<BVFileIgnorePredicate>(knowledgeBase_)});

    auto children = contentOfCachesDirectoryURL();
    progress_->addPendingUnitsCount(children.size());
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());

    std::vector<BVEntityPtr> items;
    for (const auto& child : children) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        progress_->setPath(child);
        if (filter->shouldIgnoreObject(child)) continue;
        if (auto model = modelForChild(child, filter)) items.push_back(model);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}

BVEntityPtr BVCacheScanTask::modelForChild(const std::string& path, const BVPredicatePtr& filter) {
    // Deep-search rules name a folder (a cache folder shared by several applications) or its path.
    if (knowledgeBase_->shouldPerformDeepSearchForItem(BVSystemJunk::lastPathComponent(path)) ||
        knowledgeBase_->shouldPerformDeepSearchForItem(path)) {
        auto sequence = BVFileURLSequenceModel::sequenceWithPath(path, knowledgeBase_->shouldSelectItem(path));
        BVSystemJunk::attachIgnoreStrategy(sequence, knowledgeBase_, path);
        sequence->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, path));
        for (const auto& inner : fileManager_->contentsOfDirectoryAtURL(path, progress_, 0)) {
            if (progress_->isCancelled()) break;
            if (filter->shouldIgnoreObject(inner)) continue;
            uint64_t size = BVSystemJunk::itemSize(inner, performer_, progress_);
            progress_->addSize(size);
            sequence->addChild(BVSystemJunk::fileModel(inner, size, knowledgeBase_));
        }
        if (sequence->files().empty()) return nullptr;
        return sequence;
    }
    uint64_t size = BVSystemJunk::itemSize(path, performer_, progress_);
    progress_->addSize(size);
    return BVSystemJunk::fileModel(path, size, knowledgeBase_);
}
