// BVCleanQueue: runs clean operations strictly one after another (its default operation queue
// allows one at a time), aggregates their progress, resets the privileged authorisation at
// the start of every clean so a user who cancelled the dialog last time is asked again, and
// reports to the client. Queue-level and task start/cancel/finish callbacks arrive on the main
// queue; will-remove and did-remove callbacks run synchronously on the clean worker. Create it
// with `create`; public operations may be called from any thread (its state is guarded by one
// mutex, checked by clang's thread-safety analysis).
#pragma once

#include <atomic>
#include <mutex>

#include "Foundation/BVCompoundProgress.h"
#include "Foundation/BVOperationQueue.h"
#include "Foundation/BVThreadSafety.h"
#include "ScanningService/CoreScanning/BVCleanOperation.h"

class BVPrivilegedOperationsPerformer;

class BVCleanQueue : public std::enable_shared_from_this<BVCleanQueue> {
public:
    using QueueHandler = std::function<void(BVCleanQueue&)>;
    using FractionHandler = std::function<void(BVCleanQueue&, double)>;
    using SizeHandler = std::function<void(BVCleanQueue&, uint64_t)>;

    // A queue of its own limited to one operation, and the given (or shared) performer.
    static std::shared_ptr<BVCleanQueue> create(std::shared_ptr<BVPrivilegedOperationsPerformer> performer = nullptr,
                                                std::shared_ptr<BVOperationQueue> queue = nullptr);
    BVCleanQueue(std::shared_ptr<BVOperationQueue> queue, std::shared_ptr<BVPrivilegedOperationsPerformer> performer);

    BVOperationQueue& underlyingQueue() { return *queue_; }
    std::shared_ptr<BVCompoundProgress> progress() const;
    bool isPaused() const { return paused_.load(); }
    bool shouldAutomaticallyResetAuthorization() const { return shouldAutomaticallyResetAuthorization_; }
    void setShouldAutomaticallyResetAuthorization(bool value) { shouldAutomaticallyResetAuthorization_ = value; }

    void addTasks(const std::vector<BVCleanTaskPtr>& tasks);
    void addProgressableOperations(const std::vector<std::shared_ptr<BVCleanOperation>>& operations);
    void addOperations(const std::vector<BVOperationPtr>& operations);
    void cancelTask(const BVCleanTaskPtr& task);
    void cancel();
    void pause();
    void resume();

    void onQueueStart(QueueHandler h);
    void onQueueProgressFractionChange(FractionHandler h);
    void onQueueProgressSizeChange(SizeHandler h);
    void onQueueFinish(QueueHandler h);
    void onTaskStart(BVCleanOperation::TaskHandler h);
    void onTaskCancel(BVCleanOperation::TaskHandler h);
    void onTaskFinish(BVCleanOperation::FinishHandler h);
    void onTaskWillRemoveEntity(BVTaskControllable::WillRemove h);
    void onTaskDidRemoveEntity(BVTaskControllable::DidRemove h);

private:
    template <class H, class... Args>
    void notify(H BVCleanQueue::*member, Args... args);

    std::shared_ptr<BVOperationQueue> queue_;
    std::shared_ptr<BVPrivilegedOperationsPerformer> performer_;
    std::atomic<bool> paused_{false};
    std::atomic<bool> shouldAutomaticallyResetAuthorization_{true};
    mutable BVMutex mutex_;
    std::shared_ptr<BVCompoundProgress> progress_ BV_GUARDED_BY(mutex_);
    BVOperationPtr finalOperation_ BV_GUARDED_BY(mutex_);

    QueueHandler queueStartHandler_ BV_GUARDED_BY(mutex_), queueFinishHandler_ BV_GUARDED_BY(mutex_);
    FractionHandler queueProgressChangeHandler_ BV_GUARDED_BY(mutex_);
    SizeHandler queueProgressSizeChangeHandler_ BV_GUARDED_BY(mutex_);
    BVCleanOperation::TaskHandler operationStartHandler_ BV_GUARDED_BY(mutex_), operationCancelHandler_ BV_GUARDED_BY(mutex_);
    BVCleanOperation::FinishHandler operationFinishHandler_ BV_GUARDED_BY(mutex_);
    BVTaskControllable::WillRemove taskWillRemoveEntityHandler_ BV_GUARDED_BY(mutex_);
    BVTaskControllable::DidRemove taskDidRemoveEntityHandler_ BV_GUARDED_BY(mutex_);
};
