// Clean tasks: remove the entities a user chose, in order, one at a time, announcing each
// removal to a delegate before and after, and answer a result that sums what was freed.
// `perform` runs synchronously on the clean worker thread; the delegate is called there too.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Foundation/BVProgress.h"
#include "ScanningService/CoreScanning/BVRemovalDependency.h"
#include "ScanningService/CoreScanning/BVRemovalResult.h"

class BVCleanTask;
class BVCleanTaskResult;
using BVCleanTaskPtr = std::shared_ptr<BVCleanTask>;
using BVCleanTaskResultPtr = std::shared_ptr<BVCleanTaskResult>;

class BVCleanTaskDelegate {
public:
    virtual ~BVCleanTaskDelegate() = default;
    // Told before an entity is removed, and after, with its result.
    virtual void cleanTask(BVCleanTask& task, const BVEntityPtr& willRemoveEntity) = 0;
    virtual void cleanTask(BVCleanTask& task, const BVEntityPtr& didRemoveEntity, const BVRemovalResultPtr& withResult) = 0;
};

class BVCleanTask : public BVProgressReporting {
public:
    virtual std::vector<BVRemovalDependencyPtr> dependencies() = 0;
    virtual uint64_t remainingSize() const = 0;
    virtual std::vector<BVEntityPtr> models() const = 0;
    // Held weakly.
    virtual void setDelegate(std::weak_ptr<BVCleanTaskDelegate> delegate) = 0;
    virtual BVCleanTaskResultPtr perform() = 0;
};

// Operations whose tasks announce each removal.
class BVTaskControllable {
public:
    using WillRemove = std::function<void(BVCleanTask&, const BVEntityPtr&)>;
    using DidRemove = std::function<void(BVCleanTask&, const BVEntityPtr&, const BVRemovalResultPtr&)>;
    virtual ~BVTaskControllable() = default;
    virtual void onWillRemoveEntity(WillRemove callback) = 0;
    virtual void onDidRemoveEntity(DidRemove callback) = 0;
};
