// BVScanQueue: runs one module's scan. The tasks run concurrently on the queue's operation
// queue after the start operation and every preparation operation; a finish operation runs when
// all have finished (cancelled ones included), and follow-up operations run after it. Progress
// of all tasks is aggregated; every callback reaches the client on the main queue.
//
// Public operations may be called from any thread; callbacks capture the queue weakly, so a
// queue released by its owner stops reporting.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Foundation/BVCompoundProgress.h"
#include "Foundation/BVOperationQueue.h"
#include "Foundation/BVThreadSafety.h"
#include "ScanningService/CoreScanning/BVScanOperation.h"

class BVScanQueue : public std::enable_shared_from_this<BVScanQueue> {
public:
    using QueueHandler = std::function<void(BVScanQueue&)>;
    using FractionHandler = std::function<void(BVScanQueue&, double)>;
    using SizeHandler = std::function<void(BVScanQueue&, uint64_t)>;
    using PathHandler = std::function<void(BVScanQueue&, const std::string&)>;
    using FinishHandler = std::function<void(BVScanQueue&, bool cancelled)>;

    static std::shared_ptr<BVScanQueue> create(const std::string& name);
    explicit BVScanQueue(std::string name);

    const std::string& name() const { return name_; }
    bool isPaused() const { return paused_.load(); }
    bool isCancelled() const { return cancelled_.load(); }
    // Present only while a scan runs.
    std::shared_ptr<BVCompoundProgress> progress() const;
    BVOperationQueue& queue() { return queue_; }

    void addTasks(const std::vector<BVScanTaskPtr>& tasks);
    void addTasks(const std::vector<BVScanTaskPtr>& tasks, const std::vector<BVOperationPtr>& pre,
                  const std::vector<BVOperationPtr>& post);
    void cancelTask(const BVScanTaskPtr& task);
    void pause();
    void resume();
    void cancel();

    void onQueueStart(QueueHandler h);
    void onQueueProgressFractionChange(FractionHandler h);
    void onQueueProgressSizeChange(SizeHandler h);
    void onQueueProgressPathChange(PathHandler h);
    void onQueueFinish(FinishHandler h);
    void onTaskStart(BVScanOperation::TaskHandler h);
    void onTaskCancel(BVScanOperation::TaskHandler h);
    void onTaskFinish(BVScanOperation::FinishHandler h);

private:
    // Calls the handler `member` with `args` on the main queue, when it is present both now and
    // at delivery (it is read again then).
    template <class H, class... Args>
    void notify(H BVScanQueue::*member, Args... args);

    std::string name_;
    std::atomic<bool> paused_{false};
    std::atomic<bool> cancelled_{false};
    BVOperationQueue queue_;
    mutable BVMutex mutex_;
    std::shared_ptr<BVCompoundProgress> progress_ BV_GUARDED_BY(mutex_);
    std::chrono::steady_clock::time_point startDate_ BV_GUARDED_BY(mutex_);

    QueueHandler queueStartHandler_ BV_GUARDED_BY(mutex_);
    FractionHandler queueProgressFractionChangeHandler_ BV_GUARDED_BY(mutex_);
    SizeHandler queueProgressSizeChangeHandler_ BV_GUARDED_BY(mutex_);
    PathHandler queueProgressPathChangeHandler_ BV_GUARDED_BY(mutex_);
    FinishHandler queueFinishHandler_ BV_GUARDED_BY(mutex_);
    BVScanOperation::TaskHandler operationStartHandler_ BV_GUARDED_BY(mutex_), operationCancelHandler_ BV_GUARDED_BY(mutex_);
    BVScanOperation::FinishHandler operationFinishHandler_ BV_GUARDED_BY(mutex_);
};
