// BVScanRunner: runs scan tasks through a BVScanQueue on behalf of the command line, draining
// the main queue on the calling (main) thread until the queue reports its end. Results come
// back in task order, whatever order the tasks finished in. A stop request (Ctrl-C, or the
// stop check answering yes) cancels the queue: the tasks that finished keep their results, the
// others have none. Progress goes to a sink: the terminal's line, or the review window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ScanningService/CoreScanning/BVScanQueue.h"

class BVInterruption;
class BVProgressSink;

struct BVTaskOutcomeRecord {
    BVScanTaskPtr task;
    BVScanResultPtr result;  // null when the task was cancelled before it ran
};

class BVScanRunner {
public:
    explicit BVScanRunner(BVProgressSink* progress = nullptr, BVInterruption* interruption = nullptr)
        : progress_(progress), interruption_(interruption) {}
    // Told of each task's result as it finishes, on the main thread.
    void onTaskFinish(std::function<void(const BVScanTaskPtr&, const BVScanResultPtr&)> handler) {
        taskFinished_ = std::move(handler);
    }
    // Asked on the main thread while the scan runs; yes cancels it.
    void setStopCheck(std::function<bool()> check) { stopCheck_ = std::move(check); }
    // Must be called on the main thread (the one that drains the main queue).
    std::vector<BVTaskOutcomeRecord> run(const std::string& name, const std::vector<BVScanTaskPtr>& tasks);
    // The last run was stopped before it finished.
    bool cancelled() const { return cancelled_; }

private:
    BVProgressSink* progress_;
    BVInterruption* interruption_;
    std::function<void(const BVScanTaskPtr&, const BVScanResultPtr&)> taskFinished_;
    std::function<bool()> stopCheck_;
    bool cancelled_ = false;
};
