#include "SystemJunkModule/BVCacheScanTask.h"

#include <algorithm>

#include "Foundation/BVFileIO.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"
#include "SystemJunkModule/BVDeveloperJunk.h"

namespace {

// A candidate that is, or holds, a folder another task offers.
class BVOfferedElsewherePredicate final : public BVPredicate {
public:
    explicit BVOfferedElsewherePredicate(const std::vector<std::string>& folders) : folders_(folders) {}
    unsigned supportedTypes() const override { return BVPredicateKindString; }

protected:
    bool evaluate(const BVPredicateCandidate& candidate) const override {
        return BVDeveloperToolCaches::overlaps(std::get<std::string>(candidate), folders_);
    }

private:
    const std::vector<std::string>& folders_;
};

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
    auto task = makeTask<BVUserCachesScanTask>(environment, environment.paths->userCaches(), BVScannerUserCaches);
    // The toolchain caches are developer junk: offered there, with what it costs to lose them.
    std::static_pointer_cast<BVCacheScanTask>(task)->setFoldersOfferedElsewhere(BVDeveloperToolCaches::folders(*environment.paths));
    return task;
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
    auto elsewhere = std::make_shared<BVOfferedElsewherePredicate>(offeredElsewhere_);
    for (const auto& child : children) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        bool holdsElsewhere = elsewhere->shouldIgnoreObject(child);
        bool isElsewhere = holdsElsewhere && std::find(offeredElsewhere_.begin(), offeredElsewhere_.end(), child) != offeredElsewhere_.end();
        if (filter->shouldIgnoreObject(child) || isElsewhere) {
            progress_->addUnitsCount(1);
            progress_->setPath(child);
            continue;
        }
        // Deep-search rules name a folder (a cache folder shared by several programs) or its path.
        // A folder that holds one another task offers is shown by its other contents.
        bool deep = holdsElsewhere || knowledgeBase_->shouldPerformDeepSearchForItem(BVFileIO::lastPathComponent(child)) ||
                    knowledgeBase_->shouldPerformDeepSearchForItem(child);
        offered.emplace_back(child, deep);
        if (!deep) plain.push_back(child);
    }
    auto sizes = BVSystemJunk::itemSizes(*fileManager_, plain, performer_, progress_);

    auto deepFilter = BVCompoundPredicate::orPredicateWithSubpredicates({filter, elsewhere});
    std::vector<BVEntityPtr> items;
    size_t nextPlain = 0;
    for (const auto& [path, deep] : offered) {
        if (deep) {
            if (progress_->isCancelled()) break;
            progress_->addUnitsCount(1);
            progress_->setPath(path);
            if (auto sequence = BVSystemJunk::folderContentsModel(*fileManager_, path, deepFilter, knowledgeBase_, performer_, progress_))
                items.push_back(sequence);
            continue;
        }
        const auto& size = sizes[nextPlain++];
        if (!size) continue;  // cancelled before it was measured
        items.push_back(BVSystemJunk::fileModel(path, *size, knowledgeBase_));
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
