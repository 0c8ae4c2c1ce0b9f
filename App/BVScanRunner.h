// BVScanRunner: runs scan tasks through a BVScanQueue on behalf of the command line, draining
// the main queue on the calling (main) thread until the queue reports its end. Results come
// back in task order, whatever order the tasks finished in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ScanningService/CoreScanning/BVScanQueue.h"

class BVProgressDrawer;

struct BVTaskOutcomeRecord {
    BVScanTaskPtr task;
    BVScanResultPtr result;  // null when the task was cancelled before it ran
};

class BVScanRunner {
public:
    explicit BVScanRunner(BVProgressDrawer* drawer = nullptr) : drawer_(drawer) {}
    // Must be called on the main thread (the one that drains the main queue).
    std::vector<BVTaskOutcomeRecord> run(const std::string& name, const std::vector<BVScanTaskPtr>& tasks);

private:
    BVProgressDrawer* drawer_;
};
