#include "LargeAndOldFilesModule/BVLAOFScanTask.h"

#include "Foundation/BVUserDefaults.h"
#include "LargeAndOldFilesModule/BVLAOFFileModel.h"
#include "LargeAndOldFilesModule/BVLAOFFilter.h"
#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"
#include "ScanningService/CoreScanning/BVCannedResults.h"
#include "ScanningService/CoreScanning/BVDebugSwitches.h"

BVLAOFScanTask::BVLAOFScanTask(std::shared_ptr<BVKnowledgeBaseWrapper> knowledgeBase,
                               std::shared_ptr<const BVPaths> paths, std::shared_ptr<BVUserDefaults> defaults,
                               QueryFactory queryFactory)
    : knowledgeBase_(std::move(knowledgeBase)),
      paths_(std::move(paths)),
      defaults_(std::move(defaults)),
      queryFactory_(queryFactory ? std::move(queryFactory) : homeWalkQueryFactory()) {}

std::string BVLAOFScanTask::buildFilterPredicateString() {
    std::string predicate = "kMDItemFSSize > " + std::to_string(BVLAOFSizeThreshold);
    for (const auto& type : BVLAOFFilter::ignoredFilesTypes()) predicate += " && kMDItemContentTypeTree != " + type;
    return predicate;
}

BVLAOFScanTask::QueryFactory BVLAOFScanTask::homeWalkQueryFactory(unsigned threads) {
    return [threads](const std::string& predicate, const std::vector<std::string>& scopes, const BVLAOFFilter& filter)
               -> std::unique_ptr<BVLAOFMetadataQuery> {
        return BVLAOFHomeWalkQuery::create(
            predicate, scopes, [&filter](const std::string& path) { return filter.isFolderPrunedAtPath(path); },
            threads);
    };
}

BVScanResultPtr BVLAOFScanTask::scan() {
    if (BVDebugSwitches::isOn(BVDebugModeFakeScanningJSONResults)) {
        auto canned = brk_scanResultFromJSONIndentifier("BVLAOFScanTask");
        return canned ? canned : BVScanResult::emptyResultWithIdentifier(identifier());
    }
    if (BVDebugSwitches::isOn(BVDebugModeFakeScanningEmptyResults))
        return BVScanResult::emptyResultWithIdentifier(identifier());
    progress_->sleepThreadWhilePaused();
    if (progress_->isCancelled()) return BVScanResult::resultWithIdentifier(identifier(), std::vector<BVEntityPtr>{});

    BVLAOFFilter filter(knowledgeBase_, paths_);
    auto query = queryFactory_(buildFilterPredicateString(), {paths_->home()}, filter);
    if (!query)
        return BVScanResult::resultWithIdentifier(identifier(),
                                                  BVError(kBVLAOFScanTaskErrorDomain, BVLAOFScanTaskErrorCode));
    bool ran = query->execute(progress_);
    bool reindexing = !progress_->isCancelled() && query->isReindexing();
    std::vector<BVEntityPtr> models;
    if (ran) {
        size_t count = query->resultCount();
        if (reindexing && count == 0)
            return BVScanResult::resultWithIdentifier(identifier(), BVError(kBVLAOFScanTaskDomain, BVLAOFScanTaskErrorCode));
        auto stored = defaults_ ? defaults_->objectForKey(BVLAOFRemoveMethodDefaultsKey) : std::nullopt;
        uint64_t method = stored ? stored->uint64Value() : uint64_t(BVRemoveMethodImmediately);
        progress_->addPendingUnitsCount(count);
        for (size_t i = 0; i < count; ++i) {
            progress_->sleepThreadWhilePaused();
            if (progress_->isCancelled()) break;
            progress_->addUnitsCount(1);
            auto item = query->resultAtIndex(i);
            auto path = item ? item->valueForAttribute(kBVMDItemPath) : std::nullopt;
            if (!path || !path->isString() || path->stringValue().empty()) continue;
            auto url = BVURL::fileURLWithPath(path->stringValue());
            progress_->setPath(url->path());
            if (filter.isItemFilteredAtURL(url)) continue;
            bool selected = knowledgeBase_ && knowledgeBase_->shouldSelectItem(url->path());
            auto model = BVLAOFFileModel::modelWithMetadataItem(*item, url, selected);
            model->setRemoveMethod(method == BVRemoveMethodImmediately ? BVRemoveMethodImmediately : BVRemoveMethodSecurely);
            model->setIgnoreStrategy(
                std::make_shared<BVBaseIgnoreStrategy>(knowledgeBase_, std::make_shared<BVIgnoreItemInfo>(url->path())));
            progress_->addSize(model->size());
            models.push_back(model);
        }
    }
    query->stop();
    return BVScanResult::resultWithIdentifier(identifier(), models);
}
