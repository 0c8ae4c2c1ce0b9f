// BVIgnoreStrategyType: how an entity is put on the user's ignore list. Strategies are owned by
// their entity and used from the thread that shows or changes the selection.
#pragma once

#include <memory>

#include "Foundation/BVValue.h"

class BVTreeEntity;

class BVIgnoreStrategyType {
public:
    virtual ~BVIgnoreStrategyType() = default;
    virtual bool isIgnorable() const = 0;
    virtual void ignore() = 0;
    const BVDictionary& userInfo() const { return userInfo_; }
    void setUserInfo(BVDictionary userInfo) { userInfo_ = std::move(userInfo); }

private:
    BVDictionary userInfo_;
};

// Ignores a tree by ignoring each child; ignorable when no child refuses (an empty tree is).
// Holds its tree weakly, since the tree usually owns the strategy.
class BVTreeIgnoreStrategy : public BVIgnoreStrategyType {
public:
    explicit BVTreeIgnoreStrategy(const std::shared_ptr<BVTreeEntity>& tree) : tree_(tree) {}
    bool isIgnorable() const override;
    void ignore() override;
    std::shared_ptr<BVTreeEntity> treeEntity() const { return tree_.lock(); }

private:
    std::weak_ptr<BVTreeEntity> tree_;
};
