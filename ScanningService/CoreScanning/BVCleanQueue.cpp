#include "ScanningService/CoreScanning/BVCleanQueue.h"

#include "Foundation/BVDispatchQueue.h"
#include "ScanningService/CoreScanning/BVMainQueueNotify.h"
#include "PrivilegedOperationsPerformer/BVPrivilegedOperationsPerformer.h"

std::shared_ptr<BVCleanQueue> BVCleanQueue::create(std::shared_ptr<BVPrivilegedOperationsPerformer> performer,
                                                   std::shared_ptr<BVOperationQueue> queue) {
    if (!queue) {
        queue = std::make_shared<BVOperationQueue>("BVCleanQueue");
        queue->setMaxConcurrentOperationCount(1);
    }
    if (!performer) performer = BVPrivilegedOperationsPerformer::sharedInstance();
    return std::make_shared<BVCleanQueue>(std::move(queue), std::move(performer));
}

BVCleanQueue::BVCleanQueue(std::shared_ptr<BVOperationQueue> queue, std::shared_ptr<BVPrivilegedOperationsPerformer> performer)
    : queue_(std::move(queue)), performer_(std::move(performer)) {}

std::shared_ptr<BVCompoundProgress> BVCleanQueue::progress() const {
    BVLockGuard lock(mutex_);
    return progress_;
}

template <class H, class... Args>
void BVCleanQueue::notify(H BVCleanQueue::*member, Args... args) {
    BVNotifyOnMainQueue(*this, &BVCleanQueue::mutex_, member, args...);
}

void BVCleanQueue::addTasks(const std::vector<BVCleanTaskPtr>& tasks) {
    std::vector<std::shared_ptr<BVCleanOperation>> operations;
    std::weak_ptr<BVCleanQueue> weak = weak_from_this();
    BVCleanOperation::TaskHandler start;
    {
        BVLockGuard lock(mutex_);
        start = operationStartHandler_;  // as set now: register it before adding tasks
    }
    for (const auto& task : tasks) {
        auto op = BVCleanOperation::create(task);
        op->onStart(start);
        op->onCancel([weak](const BVCleanTaskPtr& t) {
            auto self = weak.lock();
            if (!self) return;
            BVCleanOperation::TaskHandler h;
            {
                BVLockGuard lock(self->mutex_);
                h = self->operationCancelHandler_;
            }
            if (h) h(t);
        });
        op->onFinish([weak](const BVCleanTaskPtr& t, const BVCleanTaskResultPtr& r) {
            auto self = weak.lock();
            if (!self) return;
            BVCleanOperation::FinishHandler h;
            {
                BVLockGuard lock(self->mutex_);
                h = self->operationFinishHandler_;
            }
            if (h) h(t, r);
        });
        operations.push_back(op);
    }
    addProgressableOperations(operations);
}

void BVCleanQueue::addProgressableOperations(const std::vector<std::shared_ptr<BVCleanOperation>>& operations) {
    std::weak_ptr<BVCleanQueue> weak = weak_from_this();
    for (const auto& op : operations) {
        op->onWillRemoveEntity([weak](BVCleanTask& task, const BVEntityPtr& entity) {
            auto self = weak.lock();
            if (!self) return;
            BVTaskControllable::WillRemove h;
            {
                BVLockGuard lock(self->mutex_);
                h = self->taskWillRemoveEntityHandler_;
            }
            if (h) h(task, entity);
        });
        op->onDidRemoveEntity([weak](BVCleanTask& task, const BVEntityPtr& entity, const BVRemovalResultPtr& result) {
            auto self = weak.lock();
            if (!self) return;
            BVTaskControllable::DidRemove h;
            {
                BVLockGuard lock(self->mutex_);
                h = self->taskDidRemoveEntityHandler_;
            }
            if (h) h(task, entity, result);
        });
    }
    if (shouldAutomaticallyResetAuthorization_ && performer_) performer_->setShouldAskForAuthorization(true);
    notify(&BVCleanQueue::queueStartHandler_);

    auto progress = BVCompoundProgress::create();
    progress->onFractionUpdate([weak](BVProgress&, double f) {
        if (auto s = weak.lock()) s->notify(&BVCleanQueue::queueProgressChangeHandler_, f);
    });
    progress->onSizeUpdate([weak](BVProgress&, uint64_t size) {
        if (auto s = weak.lock()) s->notify(&BVCleanQueue::queueProgressSizeChangeHandler_, size);
    });
    {
        BVLockGuard lock(mutex_);
        progress_ = progress;
    }
    for (const auto& op : operations) {
        progress->attachProgress(op->progress());
        queue_->addOperation(op);
    }
    // Runs last because the default queue runs one operation at a time, in order.
    auto final = BVBlockOperation::blockOperationWithBlock([weak] {
        auto self = weak.lock();
        if (!self) return;
        {
            BVLockGuard lock(self->mutex_);
            self->progress_.reset();
        }
        self->notify(&BVCleanQueue::queueFinishHandler_);
    });
    {
        BVLockGuard lock(mutex_);
        finalOperation_ = final;
    }
    queue_->addOperation(final);
}

void BVCleanQueue::addOperations(const std::vector<BVOperationPtr>& operations) {
    for (const auto& op : operations) queue_->addOperation(op);
}

void BVCleanQueue::cancelTask(const BVCleanTaskPtr& task) {
    for (const auto& op : queue_->operations())
        if (auto clean = std::dynamic_pointer_cast<BVCleanOperation>(op); clean && clean->task() == task) clean->cancel();
}

void BVCleanQueue::cancel() {
    if (auto p = progress()) p->cancel();
    for (const auto& op : queue_->operations())
        if (auto clean = std::dynamic_pointer_cast<BVCleanOperation>(op)) clean->cancel();
}

void BVCleanQueue::pause() {
    paused_.store(true);
    if (auto p = progress()) p->pause();
}

void BVCleanQueue::resume() {
    paused_.store(false);
    if (auto p = progress()) p->resume();
}

// The task-level start, cancel and finish callbacks reach the client on the main queue.
void BVCleanQueue::onTaskStart(BVCleanOperation::TaskHandler h) {
    BVLockGuard lock(mutex_);
    operationStartHandler_ = h ? [h](const BVCleanTaskPtr& t) { BVDispatchQueue::main()->async([h, t] { h(t); }); }
                               : BVCleanOperation::TaskHandler{};
}
void BVCleanQueue::onTaskCancel(BVCleanOperation::TaskHandler h) {
    BVLockGuard lock(mutex_);
    operationCancelHandler_ = h ? [h](const BVCleanTaskPtr& t) { BVDispatchQueue::main()->async([h, t] { h(t); }); }
                                : BVCleanOperation::TaskHandler{};
}
void BVCleanQueue::onTaskFinish(BVCleanOperation::FinishHandler h) {
    BVLockGuard lock(mutex_);
    operationFinishHandler_ = h ? [h](const BVCleanTaskPtr& t, const BVCleanTaskResultPtr& r) {
        BVDispatchQueue::main()->async([h, t, r] { h(t, r); });
    }
                                : BVCleanOperation::FinishHandler{};
}

#define BV_SETTER(method, member, Type) \
    void BVCleanQueue::method(Type h) { \
        BVLockGuard lock(mutex_);   \
        member = std::move(h);          \
    }
BV_SETTER(onQueueStart, queueStartHandler_, QueueHandler)
BV_SETTER(onQueueProgressFractionChange, queueProgressChangeHandler_, FractionHandler)
BV_SETTER(onQueueProgressSizeChange, queueProgressSizeChangeHandler_, SizeHandler)
BV_SETTER(onQueueFinish, queueFinishHandler_, QueueHandler)
BV_SETTER(onTaskWillRemoveEntity, taskWillRemoveEntityHandler_, BVTaskControllable::WillRemove)
BV_SETTER(onTaskDidRemoveEntity, taskDidRemoveEntityHandler_, BVTaskControllable::DidRemove)
#undef BV_SETTER
