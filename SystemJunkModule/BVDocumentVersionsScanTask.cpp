#include "SystemJunkModule/BVDocumentVersionsScanTask.h"

#include <algorithm>

#include "Foundation/QLFileSizer.h"
#include "ScanningService/CoreScanning/BVEnvironmentServices.h"
#include "ScanningService/CoreScanning/BVStoreItemModels.h"
#include "SystemJunkModule/BVDocumentVersionsEntities.h"
#include "SystemJunkModule/BVDocumentVersionsSelectionRule.h"

BVDocumentVersionsScanTask::BVDocumentVersionsScanTask(std::shared_ptr<const BVDocumentVersionsScanTaskSpecification> specification,
                                                       BVMetadataSearchPtr searchController, BVFileVersionStorePtr versionStore,
                                                       BVJunkKnowledgeBasePtr knowledgeBase)
    : specification_(std::move(specification)),
      searchController_(std::move(searchController)),
      versionStore_(std::move(versionStore)),
      knowledgeBase_(std::move(knowledgeBase)) {}

std::shared_ptr<BVDocumentVersionsScanTask> BVDocumentVersionsScanTask::task(const BVEnvironment& environment) {
    // No index and no version store on this host: the macos layout's search and store find nothing.
    return std::make_shared<BVDocumentVersionsScanTask>(BVDocumentVersionsScanTaskSpecification::builtIn(),
                                                        std::make_shared<BVEmptyMetadataSearch>(),
                                                        std::make_shared<BVEmptyFileVersionStore>(),
                                                        BVEnvironmentServices::knowledgeBase(environment, BVScannerDocumentVersions));
}

uint64_t BVDocumentVersionsScanTask::revisionSize(const BVFileVersion& version) {
    if (auto size = version.size()) return *size;
    return QLFileSizer::itemSizeAtURL(version.URL());
}

BVScanResultPtr BVDocumentVersionsScanTask::scan() {
    if (auto canned = BVSystemJunk::cannedResult("BVDocumentVersionsScanTask", identifier())) return canned;
    if (auto empty = BVSystemJunk::fakeEmptyResult(identifier())) return empty;

    auto found = searchController_->searchFilesWithTypes(specification_->fileTypes(), progress_);
    if (found.error) found = BVMetadataSearchResult();

    // Documents per application, the applications in the order BVDocumentVersionsScanTaskSpecification lists them.
    std::vector<std::pair<std::string, std::vector<BVMetadataItemPtr>>> applications;
    for (const auto& [type, items] : found.groupedObjects) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        auto bundleIdentifier = specification_->applicationBundleIdentifierForFileType(type);
        if (!bundleIdentifier) continue;
        auto it = std::find_if(applications.begin(), applications.end(), [&](const auto& a) { return a.first == *bundleIdentifier; });
        if (it == applications.end()) it = applications.insert(applications.end(), {*bundleIdentifier, {}});
        it->second.insert(it->second.end(), items.begin(), items.end());
    }
    if (progress_->isCancelled()) return BVScanResult::emptyResultWithIdentifier(identifier());
    auto position = [&](const std::string& bundleIdentifier) {
        const auto& entries = specification_->fileTypesInfo();
        for (size_t i = 0; i < entries.size(); ++i)
            if (BVValue(entries[i])[BVDocumentVersionsScanTaskSpecificationIdentifierKey].stringValue() == bundleIdentifier) return i;
        return entries.size();
    };
    std::stable_sort(applications.begin(), applications.end(),
                     [&](const auto& a, const auto& b) { return position(a.first) < position(b.first); });

    progress_->addPendingUnitsCount(applications.size());
    std::vector<BVEntityPtr> items;
    for (const auto& [bundleIdentifier, documents] : applications) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) break;
        progress_->addUnitsCount(1);
        if (knowledgeBase_->isIgnoreItem(bundleIdentifier)) continue;
        if (auto application = applicationEntity(bundleIdentifier, documents)) items.push_back(application);
    }
    return BVScanResult::resultWithIdentifier(identifier(), items);
}

BVEntityPtr BVDocumentVersionsScanTask::applicationEntity(const std::string& bundleIdentifier,
                                                          const std::vector<BVMetadataItemPtr>& items) {
    std::vector<std::string> paths;
    for (const auto& item : items) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) return nullptr;
        auto path = item ? BVMetadataItemPath(*item) : std::nullopt;
        // The search answers its items with their paths; one without ends this application's list.
        if (!path) break;
        progress_->setPath(*path);
        if (!knowledgeBase_->isIgnoreItem(*path)) paths.push_back(*path);
    }
    if (paths.empty()) return nullptr;

    auto application = std::make_shared<BVDocumentApplication>(
        bundleIdentifier, specification_->applicationNameForBundleIdentifier(bundleIdentifier).value_or(bundleIdentifier));
    BVSystemJunk::attachIgnoreStrategy(application, knowledgeBase_, bundleIdentifier);
    for (const auto& path : paths) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) return nullptr;
        if (auto document = documentEntity(path)) application->addChild(document);
        if (progress_->isCancelled()) return nullptr;
    }
    return application->size() > 0 ? application : nullptr;
}

BVEntityPtr BVDocumentVersionsScanTask::documentEntity(const std::string& path) {
    BVError error;
    auto listed = versionStore_->otherVersionsOfItemAtURL(path, &error);
    if (!listed) return nullptr;
    std::vector<BVFileVersionPtr> versions;
    for (const auto& version : *listed)
        if (version && version->modificationDate()) versions.push_back(version);
    std::stable_sort(versions.begin(), versions.end(), [](const BVFileVersionPtr& a, const BVFileVersionPtr& b) {
        return a->modificationDate()->secondsSince1970 > b->modificationDate()->secondsSince1970;
    });
    auto preselected = BVDocumentVersionsSelectionRule::selectionIndexesForObjects(versions);

    auto document = std::make_shared<BVDocumentVersionFile>(path);
    BVSystemJunk::attachIgnoreStrategy(document, knowledgeBase_, path);
    for (size_t i = 0; i < versions.size(); ++i) {
        progress_->sleepThreadWhilePaused();
        if (progress_->isCancelled()) return nullptr;
        uint64_t size = revisionSize(*versions[i]);
        if (size == 0) continue;
        progress_->addSize(size);
        auto model = BVEntity::model<BVFileVersionModel>(versions[i], size, preselected.count(i) > 0);
        BVSystemJunk::attachIgnoreStrategy(model, knowledgeBase_, versions[i]->URL());
        model->setRemovalDependenciesFetcher(BVRemovalDependenciesFetcherWithBase(knowledgeBase_, versions[i]->URL()));
        document->addChild(model);
    }
    return document->size() > 0 ? document : nullptr;
}
