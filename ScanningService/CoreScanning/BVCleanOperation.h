// BVCleanOperation: runs one clean task on the clean queue's worker. It is the task's
// delegate and forwards each will-remove and did-remove announcement to its callbacks, which
// run synchronously on the worker. Start and finish callbacks are called on the worker too (the
// queue moves the client's to the main thread). Create it with `create` (it registers itself as
// the task's delegate); handlers may be set from any thread before it runs.
#pragma once

#include <mutex>

#include "Foundation/BVOperation.h"
#include "ScanningService/CoreScanning/BVCleanTask.h"

class BVCleanOperation : public BVOperation,
                         public BVCleanTaskDelegate,
                         public BVProgressReporting,
                         public BVTaskControllable {
public:
    using TaskHandler = std::function<void(const BVCleanTaskPtr&)>;
    using FinishHandler = std::function<void(const BVCleanTaskPtr&, const BVCleanTaskResultPtr&)>;

    static std::shared_ptr<BVCleanOperation> create(BVCleanTaskPtr task);
    explicit BVCleanOperation(BVCleanTaskPtr task) : task_(std::move(task)) {}

    const BVCleanTaskPtr& task() const { return task_; }
    BVProgressPtr progress() const override { return task_->progress(); }

    void onStart(TaskHandler h);
    void onCancel(TaskHandler h);
    void onFinish(FinishHandler h);
    void onWillRemoveEntity(WillRemove callback) override;
    void onDidRemoveEntity(DidRemove callback) override;

    // Cancels the operation and calls the cancel callback. A running task goes on until it
    // notices its cancelled progress; its finish callback follows when `perform` returns.
    void cancel() override;

    void cleanTask(BVCleanTask& task, const BVEntityPtr& willRemoveEntity) override;
    void cleanTask(BVCleanTask& task, const BVEntityPtr& didRemoveEntity, const BVRemovalResultPtr& withResult) override;

protected:
    void main() override;

private:
    BVCleanTaskPtr task_;
    std::mutex mutex_;
    TaskHandler onStart_, onCancel_;
    FinishHandler onFinish_;
    WillRemove onWillRemove_;
    DidRemove onDidRemove_;
};
