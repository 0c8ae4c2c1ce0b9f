#include "SystemJunkModule/BVCacheScanTask.h"

#include "Foundation/BVFileIO.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"

namespace {

template <class Task>
BVScanTaskPtr makeTask(const BVEnvironment& environment, std::optional<std::string> folder, BVScannerIdentifier scanner) {
    return std::make_shared<Task>(std::move(folder), environment.fileManager,
                                  BVEnvironmentServices::knowledgeBase(environment, scanner), environment.performer);
}

}  // namespace

BVCacheScanTask::BVCacheScanTask(std::optional<std::string> cachesDirectory, BVFileManagerPtr fileManager,
                                 BVJunkKnowledgeBasePtr knowledgeBase, std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : cachesDirectory_(std::move(cachesDirectory)),
      fileManager_(std::move(fileManager)),
      knowledgeBase_(std::move(knowledgeBase)),
      performer_(std::move(performer)) {}

BVScanTaskPtr BVSystemCachesScanTask::task(const BVEnvironment& environment) {
    return makeTask<BVSystemCachesScanTask>(environment, environment.paths->localCaches(), BVScannerSystemCaches);
}

BVScanTaskPtr BVUserCachesScanTask::task(const BVEnvironment& environment) {
    return makeTask<BVUserCachesScanTask>(environment, environment.paths->userCaches(), BVScannerUserCaches);
}

BVScanTaskPtr BVDarwinUserCachesScanTask::task(const BVEnvironment& environment) {
    return makeTask<BVDarwinUserCachesScanTask>(environment, environment.paths->darwinUserCaches(), BVScannerUserCaches);
}

BVScanTaskPtr BVSandboxContainersCachesScanTask::task(const BVEnvironment& environment) {
    return std::make_shared<BVSandboxContainersCachesScanTask>(
        environment.paths->sandboxContainer(), environment.fileManager,
        BVEnvironmentServices::knowledgeBase(environment, BVScannerUserCaches), environment.performer, environment.paths->layout());
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

    // First what is offered and how (cheap checks, in listing order), then the sizes (the walks).
    std::vector<std::string> plain;
    std::vector<std::pair<std::string, bool>> offered;  // path, deep-searched
    for (const auto& child : children) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        if (filter->shouldIgnoreObject(child)) {
            progress_->addUnitsCount(1);
            progress_->setPath(child);
            continue;
        }
        // Deep-search rules name a folder (a cache folder shared by several programs) or its path.
        bool deep = knowledgeBase_->shouldPerformDeepSearchForItem(BVFileIO::lastPathComponent(child)) ||
                    knowledgeBase_->shouldPerformDeepSearchForItem(child);
        offered.emplace_back(child, deep);
        if (!deep) plain.push_back(child);
    }
    auto sizes = BVSystemJunk::itemSizes(*fileManager_, plain, performer_, progress_);

    std::vector<BVEntityPtr> items;
    size_t nextPlain = 0;
    for (const auto& [path, deep] : offered) {
        if (deep) {
            if (progress_->isCancelled()) break;
            progress_->addUnitsCount(1);
            progress_->setPath(path);
            if (auto sequence = deepSearchModel(path, filter)) items.push_back(sequence);
            continue;
        }
        const auto& size = sizes[nextPlain++];
        if (!size) continue;  // cancelled before it was measured
        items.push_back(BVSystemJunk::fileModel(path, *size, knowledgeBase_));
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}

BVEntityPtr BVCacheScanTask::deepSearchModel(const std::string& path, const BVPredicatePtr& filter) {
    auto sequence = BVFileURLSequenceModel::sequenceWithPath(path, knowledgeBase_->shouldSelectItem(path));
    BVSystemJunk::attachIgnoreStrategy(sequence, knowledgeBase_, path);
    sequence->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, path));
    std::vector<std::string> inner;
    for (const auto& child : BVSystemJunk::searchedFolderContents(*fileManager_, path, progress_))
        if (!filter->shouldIgnoreObject(child)) inner.push_back(child);
    // The inner items are measured like the folder's own children, but are not units of work.
    auto sizes = BVSystemJunk::itemSizes(*fileManager_, inner, performer_, progress_, false);
    for (size_t i = 0; i < inner.size(); ++i)
        if (sizes[i]) sequence->addChild(BVSystemJunk::fileModel(inner[i], *sizes[i], knowledgeBase_));
    if (sequence->files().empty()) return nullptr;
    return sequence;
}
