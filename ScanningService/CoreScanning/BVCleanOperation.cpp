#include "ScanningService/CoreScanning/BVCleanOperation.h"

std::shared_ptr<BVCleanOperation> BVCleanOperation::create(BVCleanTaskPtr task) {
    auto op = std::make_shared<BVCleanOperation>(std::move(task));
    op->task_->setDelegate(std::static_pointer_cast<BVCleanTaskDelegate>(op));
    return op;
}

#define BV_HANDLER_SETTER(method, member, Type) \
    void BVCleanOperation::method(Type h) {      \
        std::lock_guard lock(mutex_);            \
        member = std::move(h);                   \
    }
BV_HANDLER_SETTER(onStart, onStart_, TaskHandler)
BV_HANDLER_SETTER(onCancel, onCancel_, TaskHandler)
BV_HANDLER_SETTER(onFinish, onFinish_, FinishHandler)
BV_HANDLER_SETTER(onWillRemoveEntity, onWillRemove_, WillRemove)
BV_HANDLER_SETTER(onDidRemoveEntity, onDidRemove_, DidRemove)
#undef BV_HANDLER_SETTER

void BVCleanOperation::main() {
    if (isCancelled()) return;
    TaskHandler start;
    {
        std::lock_guard lock(mutex_);
        start = onStart_;
    }
    if (start) start(task_);
    auto result = task_->perform();
    FinishHandler finish;
    {
        std::lock_guard lock(mutex_);
        finish = onFinish_;
    }
    if (finish) finish(task_, result);
}

void BVCleanOperation::cancel() {
    BVOperation::cancel();
    TaskHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = onCancel_;
    }
    if (handler) handler(task_);
}

void BVCleanOperation::cleanTask(BVCleanTask& task, const BVEntityPtr& entity) {
    WillRemove callback;
    {
        std::lock_guard lock(mutex_);
        callback = onWillRemove_;
    }
    if (callback) callback(task, entity);
}

void BVCleanOperation::cleanTask(BVCleanTask& task, const BVEntityPtr& entity, const BVRemovalResultPtr& result) {
    DidRemove callback;
    {
        std::lock_guard lock(mutex_);
        callback = onDidRemove_;
    }
    if (callback) callback(task, entity, result);
}
