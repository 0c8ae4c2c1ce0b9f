// BVCacheGroupModel: one application's caches, named by its group identifier (a cache folder's
// name or a sandbox container's name), holding the removable files; the whole group can be put
// on the ignore list. BVCachesContext: gathers the items of one compound cache scan into these
// groups, in order of first appearance. Both belong to the one scan thread that builds them.
#pragma once

#include <set>

#include "ScanningService/CoreScanning/BVTreeEntity.h"
#include "SystemJunkModule/BVSystemJunkSupport.h"

class BVCacheGroupModel : public BVGroupedSequenceModel {
    BV_ENTITY_CLASS(BVCacheGroupModel)
public:
    explicit BVCacheGroupModel(const std::string& identifier)
        : BVGroupedSequenceModel(BVValueObject::with(BVValue(identifier)), 0, false), identifier_(identifier) {}
    const std::string& identifier() const { return identifier_; }
    std::string description() const override { return BVGroupedSequenceModel::description() + " - " + identifier_; }

private:
    std::string identifier_;
};

class BVCachesContext {
public:
    // `sandboxContainerPath` is the folder of the sandbox containers (none when the layout has none).
    BVCachesContext(BVJunkKnowledgeBasePtr knowledgeBase, std::optional<std::string> sandboxContainerPath);
    // Adds an item to the group its path names (see groupIdentifier); a cache group's children
    // go to the group of that name, a special application cache to its application's.
    void addItem(const BVEntityPtr& item);
    // Adds an item to the named group: nothing when the knowledge base ignores that identifier.
    // A file sequence contributes its files, any other entity itself. A file already held by
    // the context (the same path, or a path inside one already held) is not added again, so a
    // folder reached by two tasks is neither counted nor removed twice.
    void addItem(const BVEntityPtr& item, const std::string& groupIdentifier);
    std::vector<std::shared_ptr<BVCacheGroupModel>> cacheGroups() const { return groups_; }

    // The container's name for an item inside the containers folder (none when the path ends at
    // that folder), else the item's last path component.
    std::optional<std::string> groupIdentifier(const std::string& path) const;

private:
    void addChild(const std::shared_ptr<BVCacheGroupModel>& group, const BVEntityPtr& child);
    bool isHeld(const std::string& path) const;

    std::vector<std::shared_ptr<BVCacheGroupModel>> groups_;
    std::optional<std::string> sandboxContainerPath_;
    BVJunkKnowledgeBasePtr knowledgeBase_;
    std::set<std::string> heldPaths_;
};
