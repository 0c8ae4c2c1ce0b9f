#include "ScanningService/CoreScanning/BVTreeEntity.h"

#include <algorithm>

#include "ScanningService/CoreScanning/BVIgnoreStrategyType.h"
#include "ScanningService/CoreScanning/BVRemovalDependency.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

void BVTreeEntity::adjustSizes(uint64_t size, uint64_t selected, bool add) {
    for (BVTreeEntity* node = this; node;) {
        node->setSize(add ? node->size() + size : node->size() - size);
        node->setAutoselectedSize(add ? node->autoselectedSize() + selected : node->autoselectedSize() - selected);
        auto parent = node->parent_.lock();
        node = parent.get();
    }
}

void BVTreeEntity::addChild(const BVEntityPtr& child) {
    if (!child) return;
    if (auto tree = std::dynamic_pointer_cast<BVTreeEntity>(child))
        tree->parent_ = std::static_pointer_cast<BVTreeEntity>(shared_from_this());
    adjustSizes(child->size(), child->autoselectedSize(), true);
    children_.push_back(child);
}

void BVTreeEntity::removeChild(const BVEntityPtr& child) {
    auto it = std::find(children_.begin(), children_.end(), child);
    if (it == children_.end()) return;
    if (auto tree = std::dynamic_pointer_cast<BVTreeEntity>(child)) tree->parent_.reset();
    adjustSizes(child->size(), child->autoselectedSize(), false);
    children_.erase(it);
}

std::vector<BVRemovalDependencyPtr> BVTreeEntity::dependencies() const {
    auto all = BVEntity::dependencies();
    for (const auto& c : children_) {
        auto more = c->dependencies();
        all.insert(all.end(), more.begin(), more.end());
    }
    return all;
}

BVRemovalResultPtr BVTreeEntity::remove() {
    auto result = BVRemovalResult::emptyResultWithModel(shared_from_this());
    for (const auto& c : children_) result->addChild(c->remove());
    return result;
}

std::shared_ptr<BVFileSequenceModel> BVFileSequenceModel::sequenceWithAutoselected(bool autoselected) {
    return std::make_shared<BVFileSequenceModel>(autoselected);
}

bool BVTreeIgnoreStrategy::isIgnorable() const {
    auto tree = tree_.lock();
    if (!tree) return false;
    for (const auto& c : tree->children())
        if (!c->isIgnorable()) return false;
    return true;
}

void BVTreeIgnoreStrategy::ignore() {
    if (auto tree = tree_.lock())
        for (const auto& c : tree->children()) c->ignore();
}
