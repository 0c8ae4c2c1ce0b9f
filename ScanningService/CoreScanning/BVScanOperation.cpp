#include "ScanningService/CoreScanning/BVScanOperation.h"

#include "Foundation/BVDispatchQueue.h"
#include "Foundation/BVLogger.h"

std::weak_ptr<BVScanOperation> BVScanOperation::weakSelf() {
    return std::static_pointer_cast<BVScanOperation>(shared_from_this());
}

void BVScanOperation::setOnStartHandler(TaskHandler h) {
    std::lock_guard lock(handlersMutex_);
    onStart_ = std::move(h);
}
void BVScanOperation::setOnCancelHandler(TaskHandler h) {
    std::lock_guard lock(handlersMutex_);
    onCancel_ = std::move(h);
}
void BVScanOperation::setOnFinishHandler(FinishHandler h) {
    std::lock_guard lock(handlersMutex_);
    onFinish_ = std::move(h);
}

void BVScanOperation::cancel() {
    BVOperation::cancel();
    deliverCancel();
}

void BVScanOperation::deliverStart() {
    BVDispatchQueue::main()->async([weak = weakSelf()] {
        auto self = weak.lock();
        if (!self) return;
        TaskHandler h;
        {
            std::lock_guard lock(self->handlersMutex_);
            h = self->onStart_;
        }
        if (h) h(self->task_);
    });
}

void BVScanOperation::deliverCancel() {
    // Held strongly: the cancel callback must arrive even when the queue lets go of the operation.
    auto self = std::static_pointer_cast<BVScanOperation>(shared_from_this());
    BVDispatchQueue::main()->async([self] {
        TaskHandler h;
        {
            std::lock_guard lock(self->handlersMutex_);
            h = self->onCancel_;
        }
        if (h) h(self->task_);
    });
}

void BVScanOperation::deliverFinish(const BVScanResultPtr& result) {
    auto self = std::static_pointer_cast<BVScanOperation>(shared_from_this());
    BVDispatchQueue::main()->async([self, result] {
        FinishHandler h;
        {
            std::lock_guard lock(self->handlersMutex_);
            h = self->onFinish_;
        }
        if (h) h(self->task_, result);
    });
}

BVProgressableScanOperation::BVProgressableScanOperation(BVScanTaskPtr task) : BVScanOperation(std::move(task)) {}

BVProgressPtr BVProgressableScanOperation::progress() const {
    return std::dynamic_pointer_cast<BVProgressReporting>(task())->progress();
}

std::optional<std::chrono::steady_clock::time_point> BVProgressableScanOperation::cancellationDate() const {
    std::lock_guard lock(dateMutex_);
    return cancellationDate_;
}

void BVProgressableScanOperation::main() {
    if (isCancelled()) return;
    deliverStart();
    auto taskProgress = progress();
    std::weak_ptr<BVProgressableScanOperation> weak =
        std::static_pointer_cast<BVProgressableScanOperation>(shared_from_this());
    taskProgress->onCancelled([weak](BVProgress&, bool) {
        if (auto self = weak.lock()) {
            std::lock_guard lock(self->dateMutex_);
            self->cancellationDate_ = std::chrono::steady_clock::now();
        }
    });
    auto result = task()->scan();
    if (taskProgress->isCancelled()) {
        auto since = cancellationDate().value_or(std::chrono::steady_clock::now());
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
        BVLogger::info(fmt::format("[Cancellation] Task - {} exited in - {:f} seconds", task()->identifier(), seconds));
    }
    if (auto f = std::dynamic_pointer_cast<BVProgressForceComplete>(taskProgress)) f->forceComplete();
    deliverFinish(result);
}

void BVEphemeralScanOperation::main() {
    if (isCancelled()) return;
    deliverStart();
    auto result = task()->scan();
    countableProgress_->addSize(result ? result->size() : 0);
    countableProgress_->addUnitsCount(1);
    deliverFinish(result);
}
