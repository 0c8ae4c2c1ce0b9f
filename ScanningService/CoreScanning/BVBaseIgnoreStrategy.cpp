#include "ScanningService/CoreScanning/BVBaseIgnoreStrategy.h"

#include "ScanningService/CoreScanning/BVEntity.h"

void BVBaseIgnoreStrategy::attach(const std::shared_ptr<BVEntity>& entity, std::shared_ptr<BVUserKnowledgeBase> userBase,
                                  const std::string& value) {
    entity->setIgnoreStrategy(std::make_shared<BVBaseIgnoreStrategy>(std::move(userBase), std::make_shared<BVIgnoreItemInfo>(value)));
}

void BVBaseIgnoreStrategy::ignore() {
    if (!knowledgeBase_ || !isIgnorable()) return;
    if (!ignoreInfo_->userInfo())
        ignoreInfo_ = std::make_shared<BVIgnoreItemInfo>(ignoreInfo_->item(), ignoreInfo_->isItemRegex(), userInfo());
    knowledgeBase_->createIgnoreItemWithInfo(*ignoreInfo_);
}

std::shared_ptr<BVRemovalDependenciesFetcher> BVRemovalDependenciesFetcherWithBase(std::shared_ptr<BVScanKnowledgeBase> base,
                                                                                   const std::string& path) {
    return BVRemovalDependenciesFetcher::fetcherWithBlock([base, path] {
        std::vector<std::shared_ptr<BVRemovalDependency>> out;
        if (base)
            for (const auto& id : base->applicationsDependentOnFile(path)) out.push_back(BVRemovalDependency::dependencyOnApplication(id));
        return out;
    });
}
