// BVScanTask: the unit of scanning work. `scan` searches one area synchronously on the calling
// thread (a scan-queue worker, alongside other tasks) and returns one result. A task that
// reports progress also implements BVProgressReporting; it checks `sleepThreadWhilePaused` and
// `isCancelled` on that progress at every step.
#pragma once

#include <memory>
#include <string>

#include "Foundation/BVProgress.h"

class BVScanResult;
using BVScanResultPtr = std::shared_ptr<const BVScanResult>;

class BVScanTask {
public:
    virtual ~BVScanTask() = default;
    virtual std::string identifier() const = 0;
    virtual BVScanResultPtr scan() = 0;
};

using BVScanTaskPtr = std::shared_ptr<BVScanTask>;
