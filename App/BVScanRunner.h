// BVScanRunner: runs scan tasks through a BVScanQueue on behalf of the command line, draining
// the main queue on the calling (main) thread until the queue reports its end. Results come
// back in task order, whatever order the tasks finished in. A stop request (Ctrl-C) cancels
// the queue: the tasks that finished keep their results, the others have none.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ScanningService/CoreScanning/BVScanQueue.h"

class BVInterruption;
class BVProgressDrawer;

struct BVTaskOutcomeRecord {
    BVScanTaskPtr task;
    BVScanResultPtr result;  // null when the task was cancelled before it ran
};

class BVScanRunner {
public:
    explicit BVScanRunner(BVProgressDrawer* drawer = nullptr, BVInterruption* interruption = nullptr)
        : drawer_(drawer), interruption_(interruption) {}
    // Must be called on the main thread (the one that drains the main queue).
    std::vector<BVTaskOutcomeRecord> run(const std::string& name, const std::vector<BVScanTaskPtr>& tasks);
    // The last run was stopped before it finished.
    bool cancelled() const { return cancelled_; }

private:
    BVProgressDrawer* drawer_;
    BVInterruption* interruption_;
    bool cancelled_ = false;
};
