// Scan operations: wrap one scan task for the scan queue's operation queue. The start, cancel
// and finish callbacks are delivered asynchronously on the main queue; each handler is read
// when its delivery runs, so a handler changed or cleared meanwhile takes effect. Handlers may
// be set from any thread.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

#include "Foundation/BVComputableProgress.h"
#include "Foundation/BVOperation.h"
#include "ScanningService/CoreScanning/BVScanResult.h"

class BVScanOperation : public BVOperation, public BVProgressReporting {
public:
    using TaskHandler = std::function<void(const BVScanTaskPtr&)>;
    using FinishHandler = std::function<void(const BVScanTaskPtr&, const BVScanResultPtr&)>;

    explicit BVScanOperation(BVScanTaskPtr task) : task_(std::move(task)) {}
    const BVScanTaskPtr& task() const { return task_; }

    void setOnStartHandler(TaskHandler h);
    void setOnCancelHandler(TaskHandler h);
    void setOnFinishHandler(FinishHandler h);

    // Cancels the operation, then delivers the cancel callback (started or not).
    void cancel() override;

protected:
    void deliverStart();
    void deliverFinish(const BVScanResultPtr& result);

private:
    void deliverCancel();
    std::weak_ptr<BVScanOperation> weakSelf();

    BVScanTaskPtr task_;
    std::mutex handlersMutex_;
    TaskHandler onStart_, onCancel_;
    FinishHandler onFinish_;
};

using BVScanOperationPtr = std::shared_ptr<BVScanOperation>;

// For tasks that report progress: the operation's progress is the task's.
class BVProgressableScanOperation : public BVScanOperation {
public:
    explicit BVProgressableScanOperation(BVScanTaskPtr task);
    BVProgressPtr progress() const override;
    // When the task's progress was cancelled, the moment it happened.
    std::optional<std::chrono::steady_clock::time_point> cancellationDate() const;

protected:
    void main() override;

private:
    mutable std::mutex dateMutex_;
    std::optional<std::chrono::steady_clock::time_point> cancellationDate_;
};

// For tasks without progress: a one-unit progress completed when the task returns.
class BVEphemeralScanOperation : public BVScanOperation {
public:
    explicit BVEphemeralScanOperation(BVScanTaskPtr task)
        : BVScanOperation(std::move(task)), countableProgress_(BVComputableProgress::create(1)) {}
    BVProgressPtr progress() const override { return countableProgress_; }

protected:
    void main() override;

private:
    std::shared_ptr<BVComputableProgress> countableProgress_;
};
