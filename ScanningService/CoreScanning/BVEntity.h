// BVEntity: a node of a scan's result tree, standing for one removable thing.
//
// An entity has a value (what it stands for), a size, whether the rules preselect it and the
// preselected part of its size, an ignore strategy and a fetcher of removal dependencies.
// Subclasses define `remove` and may refine equality. Entities are held by shared_ptr (create
// them with `model<T>(...)` or std::make_shared); they carry no locks: a tree is built by one
// scan task on one thread and only read afterwards until a clean task removes it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/BVObject.h"
#include "Foundation/BVThreadSafety.h"
#include "Foundation/BVUUID.h"

class BVRemovalResult;
class BVRemovalDependency;
class BVRemovalDependenciesFetcher;
class BVIgnoreStrategyType;
class BVFileRemover;

using BVRemovalResultPtr = std::shared_ptr<BVRemovalResult>;
using BVRemovalDependencyPtr = std::shared_ptr<BVRemovalDependency>;

inline constexpr const char* BVEntityErrorDomain = "BVEntityErrorDomain";

// What removing an entity does to the item it stands for, as a list before a clean says it.
enum class BVRemovalAction {
    Remove,  // the item goes
    Empty,   // the item stays, emptied (a log cut to length 0, a folder's contents removed)
};

// Declares the class name and the "same class or a subclass" test every entity class needs.
#define BV_ENTITY_CLASS(Name)                                                       \
public:                                                                             \
    static constexpr const char* kClassName = #Name;                                \
    const char* className() const override { return #Name; }                        \
    bool isKindOfClassOf(const BVEntity& other) const override {                    \
        return dynamic_cast<const Name*>(&other) != nullptr;                        \
    }

class BVEntity : public std::enable_shared_from_this<BVEntity> {
public:
    BVEntity(BVObjectPtr value, uint64_t size, bool autoselected);
    virtual ~BVEntity() = default;

    // Makes an entity of any class from its value, size and preselection.
    template <class T>
    static std::shared_ptr<T> model(BVObjectPtr value, uint64_t size, bool autoselected) {
        return std::make_shared<T>(std::move(value), size, autoselected);
    }

    virtual const char* className() const { return "BVEntity"; }
    // True when `other` is of this entity's class or a subclass of it.
    virtual bool isKindOfClassOf(const BVEntity&) const { return true; }

    bool autoselected() const { return autoselected_; }
    uint64_t size() const { return size_; }
    void setSize(uint64_t size) { size_ = size; }
    uint64_t autoselectedSize() const { return autoselectedSize_; }
    void setAutoselectedSize(uint64_t size) { autoselectedSize_ = size; }
    const BVObjectPtr& value() const { return value_; }

    // A random identity made on first read; not part of equality.
    BVUUID uid() const;
    void setUid(const BVUUID& uid);

    // The file remover the file entities' `remove` calls: the shared remover unless one was set
    // (tests and callers with their own performer set one).
    std::shared_ptr<BVFileRemover> remover() const;
    void setRemover(std::shared_ptr<BVFileRemover> remover) { remover_ = std::move(remover); }

    const std::shared_ptr<BVRemovalDependenciesFetcher>& removalDependenciesFetcher() const { return fetcher_; }
    void setRemovalDependenciesFetcher(std::shared_ptr<BVRemovalDependenciesFetcher> fetcher) { fetcher_ = std::move(fetcher); }
    const std::shared_ptr<BVIgnoreStrategyType>& ignoreStrategy() const { return ignoreStrategy_; }
    void setIgnoreStrategy(std::shared_ptr<BVIgnoreStrategyType> strategy) { ignoreStrategy_ = std::move(strategy); }

    virtual bool isIgnorable() const;
    virtual void ignore();
    virtual std::vector<BVRemovalDependencyPtr> dependencies() const;
    // Removes what the entity stands for and reports the outcome; every entity class says how.
    virtual BVRemovalResultPtr remove() = 0;
    virtual BVRemovalAction removalAction() const { return BVRemovalAction::Remove; }

    virtual bool isEqual(const BVEntity& other) const;
    virtual size_t hash() const;
    virtual std::string description() const;

private:
    bool autoselected_;
    uint64_t size_;
    uint64_t autoselectedSize_;
    BVObjectPtr value_;
    mutable BVMutex uidMutex_;
    mutable std::optional<BVUUID> uid_ BV_GUARDED_BY(uidMutex_);
    std::shared_ptr<BVFileRemover> remover_;
    std::shared_ptr<BVRemovalDependenciesFetcher> fetcher_;
    std::shared_ptr<BVIgnoreStrategyType> ignoreStrategy_;
};

using BVEntityPtr = std::shared_ptr<BVEntity>;

// Element-wise entity equality of two lists.
bool BVEntityListsEqual(const std::vector<BVEntityPtr>& a, const std::vector<BVEntityPtr>& b);
