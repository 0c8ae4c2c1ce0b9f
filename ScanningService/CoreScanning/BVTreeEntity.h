// BVTreeEntity and the group entities: entities that hold children and add up their sizes.
//
// Adding a child adds its size and preselected size to this tree and to every ancestor (there
// is no duplicate check: adding a child twice counts it twice); removing it subtracts its
// current sizes. A tree owns its children; a tree child refers to its parent weakly. Not
// synchronised: one tree is changed from one thread at a time.
#pragma once

#include "ScanningService/CoreScanning/BVEntity.h"

class BVTreeEntity : public BVEntity {
    BV_ENTITY_CLASS(BVTreeEntity)
public:
    BVTreeEntity(BVObjectPtr value, uint64_t size, bool autoselected) : BVEntity(std::move(value), size, autoselected) {}

    void addChild(const BVEntityPtr& child);
    // Only a child that is in the list (the same object) is removed; others change nothing.
    void removeChild(const BVEntityPtr& child);
    std::vector<BVEntityPtr> children() const { return children_; }
    std::shared_ptr<BVTreeEntity> parent() const { return parent_.lock(); }

    std::vector<BVRemovalDependencyPtr> dependencies() const override;
    // Removes every child in order and collects their results under an empty result.
    BVRemovalResultPtr remove() override;
    // True when removing the group removes a folder of its own, so that a group without
    // children still has something to remove (a folder offered whole).
    virtual bool removesItsOwnFolder() const { return false; }

protected:
    const std::vector<BVEntityPtr>& childrenContainer() const { return children_; }

private:
    void adjustSizes(uint64_t size, uint64_t selected, bool add);

    std::weak_ptr<BVTreeEntity> parent_;
    std::vector<BVEntityPtr> children_;
};

// An untyped group of entities; its value is the null marker.
class BVFileSequenceModel : public BVTreeEntity {
    BV_ENTITY_CLASS(BVFileSequenceModel)
public:
    static std::shared_ptr<BVFileSequenceModel> sequence() { return sequenceWithAutoselected(false); }
    static std::shared_ptr<BVFileSequenceModel> sequenceWithAutoselected(bool autoselected);
    explicit BVFileSequenceModel(bool autoselected) : BVTreeEntity(BVValueObject::null(), 0, autoselected) {}
    BVFileSequenceModel(BVObjectPtr value, uint64_t size, bool autoselected)
        : BVTreeEntity(std::move(value), size, autoselected) {}
    std::vector<BVEntityPtr> files() const { return children(); }
};

// A group named by a group object (its value).
class BVGroupedSequenceModel : public BVTreeEntity {
    BV_ENTITY_CLASS(BVGroupedSequenceModel)
public:
    BVGroupedSequenceModel(BVObjectPtr groupObject, bool isAutoselected)
        : BVTreeEntity(std::move(groupObject), 0, isAutoselected) {}
    BVGroupedSequenceModel(BVObjectPtr value, uint64_t size, bool autoselected)
        : BVTreeEntity(std::move(value), size, autoselected) {}
};
