#include "SystemJunkModule/BVUnusedDiskImagesScanTask.h"

#include "Foundation/BVFileIO.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/BVStoreItemModels.h"
#include "ScanningService/CoreScanning/Predicates/BVFilePredicates.h"
#include "SystemJunkModule/BVDiskImageWalkSearch.h"

namespace {

uint64_t sizeAttribute(const BVMetadataItem& item, const char* name) {
    auto value = item.valueForAttribute(name);
    return value && value->isNumber() ? value->uint64Value() : 0;
}

}  // namespace

BVUnusedDiskImagesScanTask::BVUnusedDiskImagesScanTask(BVMetadataSearchPtr searchController, BVJunkKnowledgeBasePtr knowledgeBase,
                                                       std::set<std::string> contentTypes)
    : searchController_(std::move(searchController)), knowledgeBase_(std::move(knowledgeBase)), contentTypes_(std::move(contentTypes)) {}

std::vector<std::string> BVUnusedDiskImagesScanTask::macosScopes(const BVPaths& paths) {
    return {paths.home(), paths.applications().value_or(paths.systemPath("/Applications")) + "/"};
}

std::shared_ptr<BVUnusedDiskImagesScanTask> BVUnusedDiskImagesScanTask::task(const BVEnvironment& environment) {
    auto knowledgeBase = BVEnvironmentServices::knowledgeBase(environment, BVScannerUnusedDiskImages);
    const BVPaths& paths = *environment.paths;
    if (paths.layout() == BVLayout::macos) {
        // No index on this host: the search over the macos scopes finds nothing.
        BVMetadataSearchFactory factory = [](const std::vector<std::string>&) { return std::make_shared<BVEmptyMetadataSearch>(); };
        return std::make_shared<BVUnusedDiskImagesScanTask>(factory(macosScopes(paths)), knowledgeBase);
    }
    std::vector<BVFilesInUseSourcePtr> inUse = {std::make_shared<BVLoopBackingFiles>(paths.systemPath("/sys/block")),
                                                std::make_shared<BVProcOpenFiles>()};
    std::optional<std::string> trash = paths.systemTrash();
    auto search = std::make_shared<BVDiskImageWalkSearch>(
        std::vector<std::string>{paths.home()}, std::move(inUse),
        [trash](const std::string& folder) { return trash && (folder == *trash || BVFileIO::isPathInside(folder, *trash)); });
    return std::make_shared<BVUnusedDiskImagesScanTask>(search, knowledgeBase, BVDiskImageWalkSearch::contentTypes());
}

BVScanResultPtr BVUnusedDiskImagesScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVUnusedDiskImagesScanTask", identifier())) return canned;
    if (auto empty = BVSystemJunk::fakeEmptyResult(identifier())) return empty;
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());

    auto found = searchController_->searchFilesWithTypes(contentTypes_, progress_);
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    // A failed search offers nothing.
    if (found.error) found = BVMetadataSearchResult();

    BVFileIgnorePredicate ignored(knowledgeBase_);
    progress_->addPendingUnitsCount(found.objects.size());
    std::vector<BVEntityPtr> items;
    for (const auto& item : found.objects) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        // Every found item counts as done, offered or not, so the progress reaches its end.
        progress_->addUnitsCount(1);
        auto path = item ? BVMetadataItemPath(*item) : std::nullopt;
        // An item without a path names no file that could be removed.
        if (!path) continue;
        // What removing the file gives back: its allocated bytes where the search knows them (a
        // sparse image is far smaller on disk than its length), else its length.
        uint64_t size = item->valueForAttribute(kBVMDItemPhysicalSize) ? sizeAttribute(*item, kBVMDItemPhysicalSize)
                                                                        : sizeAttribute(*item, kBVMDItemFSSize);
        if (ignored.shouldIgnoreObject(*path)) continue;
        progress_->addSize(size);
        progress_->setPath(*path);
        auto model = BVEntity::model<BVMetadataItemModel>(item, size, false);
        BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, *path);
        if (auto url = model->url()) model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, url->path()));
        items.push_back(model);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}
