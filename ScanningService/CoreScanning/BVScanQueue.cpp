#include "ScanningService/CoreScanning/BVScanQueue.h"

#include "Foundation/BVDispatchQueue.h"
#include "ScanningService/CoreScanning/BVMainQueueNotify.h"
#include "Foundation/BVLogger.h"
#include "Foundation/QLFileSizer.h"

std::shared_ptr<BVScanQueue> BVScanQueue::create(const std::string& name) { return std::make_shared<BVScanQueue>(name); }

BVScanQueue::BVScanQueue(std::string name) : name_(std::move(name)), queue_(name_ + ".scanningQueue") {}

std::shared_ptr<BVCompoundProgress> BVScanQueue::progress() const {
    BVLockGuard lock(mutex_);
    return progress_;
}

template <class H, class... Args>
void BVScanQueue::notify(H BVScanQueue::*member, Args... args) {
    BVNotifyOnMainQueue(*this, &BVScanQueue::mutex_, member, args...);
}

void BVScanQueue::addTasks(const std::vector<BVScanTaskPtr>& tasks) { addTasks(tasks, {}, {}); }

void BVScanQueue::addTasks(const std::vector<BVScanTaskPtr>& tasks, const std::vector<BVOperationPtr>& pre,
                           const std::vector<BVOperationPtr>& post) {
    {
        BVLockGuard lock(mutex_);
        startDate_ = std::chrono::steady_clock::now();
    }
    BVLogger::info(fmt::format("[{}] Scanning is started", name_));
    paused_.store(false);
    cancelled_.store(false);
    notify(&BVScanQueue::queueStartHandler_);

    std::vector<BVScanOperationPtr> operations;
    for (const auto& task : tasks) {
        if (std::dynamic_pointer_cast<BVProgressReporting>(task))
            operations.push_back(std::make_shared<BVProgressableScanOperation>(task));
        else
            operations.push_back(std::make_shared<BVEphemeralScanOperation>(task));
    }

    std::weak_ptr<BVScanQueue> weak = weak_from_this();
    auto start = BVBlockOperation::blockOperationWithBlock([weak, operations] {
        auto self = weak.lock();
        if (!self) return;
        auto progress = BVCompoundProgress::create();
        progress->onFractionUpdate([weak](BVProgress&, double fraction) {
            if (auto s = weak.lock()) s->notify(&BVScanQueue::queueProgressFractionChangeHandler_, fraction);
        });
        progress->onSizeUpdate([weak](BVProgress&, uint64_t size) {
            if (auto s = weak.lock()) s->notify(&BVScanQueue::queueProgressSizeChangeHandler_, size);
        });
        progress->onPathUpdate([weak](BVProgress&, const std::string& path) {
            if (auto s = weak.lock()) s->notify(&BVScanQueue::queueProgressPathChangeHandler_, path);
        });
        for (const auto& op : operations) progress->attachProgress(op->progress());
        // A pause or cancel that came before this operation ran still reaches the tasks.
        if (self->paused_.load()) progress->pause();
        if (self->cancelled_.load()) progress->cancel();
        BVLockGuard lock(self->mutex_);
        self->progress_ = progress;
    });
    start->setName(name_ + ".start");

    auto finish = BVBlockOperation::blockOperationWithBlock([weak] {
        auto self = weak.lock();
        if (!self) return;
        std::shared_ptr<BVCompoundProgress> progress;
        std::chrono::steady_clock::time_point began;
        {
            BVLockGuard lock(self->mutex_);
            progress = std::move(self->progress_);
            self->progress_.reset();
            began = self->startDate_;
        }
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        BVLogger::info(fmt::format("[{}] Scanning is finished: total {}, duration [{:.2f} s]", self->name_,
                                   QLFileSizer::nonLocalizedDisplayItemSizeFromSize(progress ? progress->size() : 0),
                                   seconds));
        {
            BVLockGuard lock(self->mutex_);
            if (!self->queueFinishHandler_) return;
        }
        BVDispatchQueue::main()->async([weak] {
            auto s = weak.lock();
            if (!s) return;
            FinishHandler handler;
            {
                BVLockGuard lock(s->mutex_);
                handler = s->queueFinishHandler_;
            }
            if (handler) handler(*s, s->cancelled_.load());
        });
    });
    finish->setName(name_ + ".finish");
    // Also after the start operation, so a scan whose tasks were all cancelled early cannot
    // finish before its progress exists.
    finish->addDependency(start);

    queue_.addOperation(start);
    queue_.addOperations(pre);

    BVScanOperation::TaskHandler onStart, onCancel;
    BVScanOperation::FinishHandler onFinish;
    {
        BVLockGuard lock(mutex_);
        onStart = operationStartHandler_;
        onCancel = operationCancelHandler_;
        onFinish = operationFinishHandler_;
    }
    for (const auto& op : operations) {
        op->addDependency(start);
        for (const auto& p : pre) op->addDependency(p);
        finish->addDependency(op);
        op->setOnStartHandler(onStart);
        op->setOnCancelHandler(onCancel);
        op->setOnFinishHandler(onFinish);
        queue_.addOperation(op);
    }
    queue_.addOperation(finish);
    for (const auto& p : post) p->addDependency(finish);
    queue_.addOperations(post);
}

void BVScanQueue::cancelTask(const BVScanTaskPtr& task) {
    for (const auto& op : queue_.operations())
        if (auto scan = std::dynamic_pointer_cast<BVScanOperation>(op); scan && scan->task() == task) scan->cancel();
}

void BVScanQueue::pause() {
    paused_.store(true);
    BVLogger::info(fmt::format("[{}] Scanning is paused", name_));
    if (auto p = progress()) p->pause();
}

void BVScanQueue::resume() {
    paused_.store(false);
    BVLogger::info(fmt::format("[{}] Scanning is resumed", name_));
    if (auto p = progress()) p->resume();
}

void BVScanQueue::cancel() {
    cancelled_.store(true);
    BVLogger::info(fmt::format("[{}] Scanning is canceled", name_));
    if (auto p = progress()) p->cancel();
    for (const auto& op : queue_.operations())
        if (auto scan = std::dynamic_pointer_cast<BVScanOperation>(op)) scan->cancel();
}

#define BV_SETTER(method, member, Type) \
    void BVScanQueue::method(Type h) {  \
        BVLockGuard lock(mutex_);   \
        member = std::move(h);          \
    }
BV_SETTER(onQueueStart, queueStartHandler_, QueueHandler)
BV_SETTER(onQueueProgressFractionChange, queueProgressFractionChangeHandler_, FractionHandler)
BV_SETTER(onQueueProgressSizeChange, queueProgressSizeChangeHandler_, SizeHandler)
BV_SETTER(onQueueProgressPathChange, queueProgressPathChangeHandler_, PathHandler)
BV_SETTER(onQueueFinish, queueFinishHandler_, FinishHandler)
BV_SETTER(onTaskStart, operationStartHandler_, BVScanOperation::TaskHandler)
BV_SETTER(onTaskCancel, operationCancelHandler_, BVScanOperation::TaskHandler)
BV_SETTER(onTaskFinish, operationFinishHandler_, BVScanOperation::FinishHandler)
#undef BV_SETTER
