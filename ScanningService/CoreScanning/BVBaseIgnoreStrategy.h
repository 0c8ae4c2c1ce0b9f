// BVBaseIgnoreStrategy: puts an entity's item on the user's ignore list through the user
// knowledge base; BVKnowledgeBaseDependencies: the removal dependencies the knowledge base
// names for a file (applications that must not run while it is removed).
#pragma once

#include "KnowledgeBase/BVIgnoreItemInfo.h"
#include "KnowledgeBase/BVKnowledgeBaseWrapper.h"
#include "ScanningService/CoreScanning/BVIgnoreStrategyType.h"
#include "ScanningService/CoreScanning/BVRemovalDependency.h"

class BVEntity;

class BVBaseIgnoreStrategy : public BVIgnoreStrategyType {
public:
    // Gives `entity` the strategy that puts `value` (a path, a name, a group key) on the list.
    static void attach(const std::shared_ptr<BVEntity>& entity, std::shared_ptr<BVUserKnowledgeBase> userBase, const std::string& value);

    BVBaseIgnoreStrategy(std::shared_ptr<BVUserKnowledgeBase> userBase, BVIgnoreItemInfoPtr ignoreInfo)
        : knowledgeBase_(std::move(userBase)), ignoreInfo_(std::move(ignoreInfo)) {}

    // True when there is an item to put on the list.
    bool isIgnorable() const override { return ignoreInfo_ && !ignoreInfo_->item().empty(); }
    // Adds the item, with the strategy's user info when the item has none of its own.
    void ignore() override;
    const BVIgnoreItemInfoPtr& ignoreInfo() const { return ignoreInfo_; }

private:
    std::shared_ptr<BVUserKnowledgeBase> knowledgeBase_;
    BVIgnoreItemInfoPtr ignoreInfo_;
};

// One dependency per application the knowledge base names for `path`,
// asked when the dependencies are first needed.
std::shared_ptr<BVRemovalDependenciesFetcher> BVRemovalDependenciesFetcherWithBase(std::shared_ptr<BVScanKnowledgeBase> base,
                                                                                   const std::string& path);
